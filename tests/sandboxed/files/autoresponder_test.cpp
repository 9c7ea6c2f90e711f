// Registering the autoresponder as a handler, read back with sqlite3.
#include "mail/lib/files/autoresponder.h"

#include "tests/sandboxed/handlers/mh_db_fixture.h"
#include "tests/support/log_capture.h"

#include <string>

#include <gtest/gtest.h>

namespace {

using testsupport::MhDbTest;

std::string handler(const std::string& address) {
    return "2|1|1|90|autoresponder|" + address + "|" + AUTORESPONDER_HOOK + "|responder\n";
}

TEST_F(MhDbTest, AutoresponderHandlers) {
    const std::string longName(250, 'm');
    struct Case {
        const char* name;
        const char* before;  // mailnames registered at x.test first, or null
        std::string mailnames;
        const char* domains;
        int action;
        int want;
        std::string wantRows;
        std::string wantLog;
    };
    const Case cases[] = {
        {"two mailnames, one domain", nullptr, "a b", "x.test", 2, 0,
         handler("a@x.test") + handler("b@x.test"), ""},
        {"runs of separators", nullptr, ", a,, b ", "x.test ,y.test", 2, 0,
         handler("a@x.test") + handler("a@y.test") + handler("b@x.test") + handler("b@y.test"), ""},
        {"domain in its ASCII form", nullptr, "a", "пример.test", 2, 0,
         handler("a@xn--e1afmkfd.test"), ""},
        {"unregister", "a b", "a", "x.test", 3, 0, handler("b@x.test"), ""},
        {"other actions do nothing", nullptr, "a", "x.test", 4, 0, "", ""},
        {"an address too long stores nothing", nullptr, "a " + longName, "x.test", 2, -1, "",
         "domain name too long\n|Unable to make action for some autoresponder handlers|"},
    };
    for (const Case& c : cases) {
        empty();
        if (c.before) {
            ASSERT_EQ(autoresponder_action(c.before, "x.test", AUTORESPONDER_REGISTER), 0);
        }
        testsupport::LogCapture log;
        EXPECT_EQ(autoresponder_action(c.mailnames.c_str(), c.domains, c.action), c.want) << c.name;
        EXPECT_EQ(rows(), c.wantRows) << c.name;
        EXPECT_EQ(log.text(), c.wantLog) << c.name;
    }
}

}  // namespace
