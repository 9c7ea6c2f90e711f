// Propagation over domain aliases and mail aliases, with the names taken
// from the sandbox's panel database.
#include "mail/lib/auth/mail_auth_propagate.h"
#include "mail/lib/auth/mail_auth_user.h"

#include "tests/sandboxed/auth/auth_db_fixture.h"
#include "tests/sandboxed/panel/panel_rows.h"
#include "tests/support/log_capture.h"

#include <functional>
#include <string>

#include <gtest/gtest.h>

namespace {

using testsupport::AuthDbTest;
using testsupport::PanelRows;

// pa.test with two domain aliases; info has the mail aliases contact and
// hello, sales has none.
struct Panel {
    PanelRows rows;
    Panel() {
        int pa = rows.addDomain("pa.test");
        rows.addDomainAlias(pa, "pa1.test");
        rows.addDomainAlias(pa, "pa2.test");
        int info = rows.addMailname(pa, "info");
        rows.addMailname(pa, "sales");
        rows.addMailAlias(info, "contact");
        rows.addMailAlias(info, "hello");
    }
};

// The users of the database as "name@domain status" lines.
std::string users(const std::string& db) {
    return testsupport::sqliteRows(
        db,
        "SELECT u.name || '@' || d.name, d.status FROM users u JOIN domains d "
        "ON u.dom_id = d.id ORDER BY d.name, u.name");
}

// Each case starts from info's password set at the domain, its aliases and
// its mail aliases.
TEST_F(AuthDbTest, PropagationOverAliases) {
    Panel panel;
    struct Case {
        const char* name;
        std::function<int()> op;
        int want;
        std::string wantUsers;
    };
    const Case cases[] = {
        {"remove the mailname from the domains",
         [] { return rm_mname_from_domains("info", "pa.test"); }, 1,
         "contact@pa.test|0\nhello@pa.test|0\ncontact@pa1.test|0\nhello@pa1.test|0\n"
         "contact@pa2.test|0\nhello@pa2.test|0\n"},
        {"remove an alias", [] { return rm_domain_auth_alias("pa1.test"); }, 0,
         "contact@pa.test|0\nhello@pa.test|0\ninfo@pa.test|0\ncontact@pa2.test|0\n"
         "hello@pa2.test|0\ninfo@pa2.test|0\n"},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(mailAuthDBInit(), 0);
        ASSERT_GE(set_mass_postbox_passwd("info", "pa.test", "pw", 0), 0) << c.name;
        EXPECT_EQ(c.op(), c.want) << c.name;
        EXPECT_EQ(users(dbPath_), c.wantUsers) << c.name;
    }
}

// Propagation stops at the first failure; a read opens the database read-only.
TEST_F(AuthDbTest, MissingDatabaseFailsWithItsMessages) {
    Panel panel;
    std::string missing = dir_.file("none/passwd.db");
    mailAuthDBSetPath(missing.c_str());
    testsupport::LogCapture log;
    EXPECT_EQ(set_passwd_for_domains("info", "pa.test", "pw", 0), -1);
    passwd_type_t data;
    EXPECT_EQ(get_user_data(&data, "info", "pa.test"), -1);
    EXPECT_EQ(log.text(), "Unable to open database " + missing +
                              ": unable to open database file|Unable to set password for "
                              "mailname info@pa.test|Unable to open database(readonly) " +
                              missing + ": unable to open database file|");
}

}  // namespace
