// The table functions of the mail-authentication database against a real
// SQLite file read back with the sqlite3 tool.
#include "mail/lib/auth/mail_auth_domain.h"
#include "mail/lib/auth/mail_auth_iterate.h"
#include "mail/lib/auth/mail_auth_user.h"

#include "tests/sandboxed/auth/auth_db_fixture.h"
#include "tests/support/log_capture.h"

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using testsupport::AuthDbTest;
using testsupport::LogCapture;

// a.test: info (plain "pw-a"), sales (crypted); b.test disabled: info.
void seed() {
    ASSERT_EQ(mailAuthSet("info", "a.test", "pw-a", 0), 0);
    ASSERT_EQ(mailAuthSet("sales", "a.test", "$1$salt$crypted", MAIL_AUTH_CRYPTED), 0);
    ASSERT_EQ(mailAuthSet("info", "b.test", "pw-b", MAIL_DOMAIN_AUTH_DISABLED), 0);
}

const std::string A_INFO = "a.test|0|info|enc:pw-a|NULL|0\n";
const std::string A_SALES = "a.test|0|sales|NULL|$1$salt$crypted|0\n";
const std::string B_INFO = "b.test|1|info|enc:pw-b|NULL|0\n";
const std::string SEEDED = A_INFO + A_SALES + B_INFO;

TEST_F(AuthDbTest, TableFunctionsLeaveTheirRows) {
    struct Case {
        const char* name;
        std::function<int()> op;
        int want;
        std::string wantRows;
        std::string wantLog = "";
    };
    const int off = MAIL_DOMAIN_AUTH_DISABLED | MAIL_AUTH_DISABLED, crypted = MAIL_AUTH_CRYPTED;
    const Case cases[] = {
        {"new user, new disabled domain", [] { return mailAuthSet("x", "c.test", "pw-c", off); },
         0, SEEDED + "c.test|1|x|enc:pw-c|NULL|1\n"},
        {"crypted replaces plain", [] { return mailAuthSet("info", "a.test", "$1$new", crypted); },
         0, "a.test|0|info|NULL|$1$new|0\n" + A_SALES + B_INFO},
        {"plain replaces crypted", [] { return set_postbox_passwd("sales", "a.test", "pw-s", 0); },
         0, A_INFO + "a.test|0|sales|enc:pw-s|NULL|0\n" + B_INFO},
        {"empty password removes", [] { return set_postbox_passwd("info", "a.test", "", 0); }, 0,
         A_SALES + B_INFO},
        {"remove in an unknown domain", [] { return mailAuthRemove("info", "z.test"); }, 0, SEEDED},
        {"rename in an unknown domain", [] { return mailAuthRename("info", "boss", "z.test"); }, -1,
         SEEDED, "No such domain 'z.test' in the mail authentication DB|"},
        {"disable a missing domain", [] { return mailAuthDisableDomain("z.test"); }, 0, SEEDED},
        {"rename domain", [] { return mailAuthRenameDomain("b.test", "d.test"); }, 0,
         A_INFO + A_SALES + "d.test|1|info|enc:pw-b|NULL|0\n"},
        {"remove domain takes its users", [] { return mailAuthRemoveDomain("a.test"); }, 0, B_INFO},
        {"clone of a missing user", [] { return mailAuthClone("nobody", "a.test", "x", "e.test"); },
         0, SEEDED},
        {"clone, no such domain", [] { return mailAuthClone("info", "z.test", "x", "e.test"); },
         0, SEEDED},
        {"clone keeps the crypted text and every flag", [] {
             mailAuthSet("off", "b.test", "$1$x", crypted | MAIL_AUTH_DISABLED);
             return mailAuthClone("off", "b.test", "off", "e.test");
         },
         0, SEEDED + "b.test|1|off|NULL|$1$x|1\ne.test|1|off|NULL|$1$x|1\n"},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(mailAuthDBInit(), 0);
        seed();
        LogCapture log;
        EXPECT_EQ(c.op(), c.want) << c.name;
        EXPECT_EQ(log.text(), c.wantLog) << c.name;
        EXPECT_EQ(rows(), c.wantRows) << c.name;
    }
}

std::vector<std::string> visited;

int collect(const char* address, const char* password, MailAuthFlagsT flags, void*) {
    visited.push_back(std::string(address) + " " + password + " " + std::to_string(flags));
    return 1;
}

int stopAtFirst(const char* address, const char*, MailAuthFlagsT, void*) {
    visited.push_back(address);
    return 0;
}

TEST_F(AuthDbTest, VisitorsSeeDecipheredPasswords) {
    seed();
    struct Case {
        const char* name;
        std::function<int()> op;
        int want;
        std::vector<std::string> wantVisited;
        std::string wantLog;
    };
    auto all = [] { return mailAuthIterateAll(collect, nullptr); };
    auto check = [](const char* address) { return mailAuthCheck(address, collect, nullptr); };
    const std::string crypted = "sales@a.test $1$salt$crypted 1";
    const Case cases[] = {
        {"all", all, 1, {"info@a.test pw-a 0", crypted, "info@b.test pw-b 4"}, ""},
        {"short", [] { return mailAuthCheckShort("info", collect, nullptr); }, 1,
         {"info@a.test pw-a 0", "info@b.test pw-b 4"}, ""},
        {"stop", [] { return mailAuthIterateAll(stopAtFirst, nullptr); }, 0, {"info@a.test"}, ""},
        {"check", [&] { return check("sales@a.test"); }, 1, {crypted}, ""},
        {"check a missing user", [&] { return check("x@a.test"); }, 1, {},
         "No such user 'x@a.test' in mail authorization database|"},
        {"check a bad address", [&] { return check("@a.test"); }, -1, {},
         "Invalid mail address '@a.test'|"},
    };
    for (const Case& c : cases) {
        visited.clear();
        LogCapture log;
        EXPECT_EQ(c.op(), c.want) << c.name;
        EXPECT_EQ(visited, c.wantVisited) << c.name;
        EXPECT_EQ(log.text(), c.wantLog) << c.name;
    }
}

}  // namespace
