// Postfix through its real init script: a start when it runs already does
// not run the script; then stand-in scripts for the environment, the
// descriptors and the exit statuses.
#include "mail/postfix/services/service_manager.h"

#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "mail/postfix/services/master_pid.h"
#include "tests/support/printed.h"
#include "tests/support/saved_file.h"

namespace {

using quarn::mail::postfix::isPostfixRunning;
using quarn::mail::postfix::POSTFIX_INIT_SCRIPT;
using quarn::mail::postfix::ServiceManager;
using testsupport::printedBy;

// The queue manager may outlive the stop script for a moment, and is
// started anew a moment after a reload.
bool runningSoon(bool want) {
    for (int i = 0; i < 500 && isPostfixRunning() != want; ++i)
        usleep(10000);
    return isPostfixRunning();
}

TEST(ServiceManager, PostfixThroughItsInitScript) {
    ASSERT_FALSE(isPostfixRunning()) << "the sandbox starts without Postfix";
    struct Step {
        const char* name;
        std::function<int()> op;
        int want;
        int printed;  // 1: the script ran and said so; 0: it did not run; -1: either
        bool runningAfter;
    } steps[] = {
        {"start", ServiceManager::startServer, 0, 1, true},
        {"start when running", ServiceManager::startServer, 0, 0, true},
        {"stop", ServiceManager::stopServer, 0, 1, false},
    };
    for (const Step& s : steps) {
        testsupport::Printed p = printedBy(s.op);
        bool running = runningSoon(s.runningAfter);
        EXPECT_EQ(s.want, p.rc) << s.name << ": output '" << p.out << "'";
        if (s.printed >= 0) {
            EXPECT_EQ(s.printed == 1, !p.out.empty()) << s.name << ": output '" << p.out << "'";
        }
        EXPECT_EQ(s.runningAfter, running) << s.name;
        EXPECT_EQ("", p.err) << s.name;
    }
}

TEST(ServiceManager, StandInScripts) {
    testsupport::SavedFile script(POSTFIX_INIT_SCRIPT);
    struct Case {
        const char* name;
        const char* body;
        int want;
        const char* output;
    } cases[] = {
        {"exactly LANG=C, input /dev/null, errors on output",
         "tr '\\0' '\\n' </proc/$$/environ; readlink /proc/$$/fd/0; echo \"$0 $*\" >&2\n", 0,
         "LANG=C\n/dev/null\n/etc/init.d/postfix reload\n"},
        {"exit status passed on", "exit 7\n", 7, ""},
        {"killed by a signal", "kill -9 $$\n", 255, ""},
    };
    for (const Case& c : cases) {
        script.write(std::string("#!/bin/sh\n") + c.body);
        chmod(POSTFIX_INIT_SCRIPT, 0755);
        testsupport::Printed p = printedBy([] { return ServiceManager::reloadServer(); });
        EXPECT_EQ(c.want, p.rc) << c.name;
        EXPECT_EQ(c.output, p.out) << c.name;
    }
}

TEST(ServiceManager, RestartFailsWhenTheQueueManagerStaysAway) {
    testsupport::SavedFile script(POSTFIX_INIT_SCRIPT);
    script.write("#!/bin/sh\nexit 0\n");
    chmod(POSTFIX_INIT_SCRIPT, 0755);
    time_t start = time(nullptr);
    EXPECT_EQ(1, ServiceManager::restartServer());
    EXPECT_GE(time(nullptr) - start, 4) << "status is checked for about five seconds";
}

}  // namespace
