// Postfix's init script through stand-ins: the environment, the descriptors
// and the exit statuses. Starts and stops of the real Postfix, and that a
// start of a running or a stop of a stopped one runs no script, are proven
// by tests/e2e/test_services.py.
#include "mail/postfix/services/service_manager.h"

#include <unistd.h>

#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/printed.h"
#include "tests/support/saved_file.h"

namespace {

using quarn::mail::postfix::POSTFIX_INIT_SCRIPT;
using quarn::mail::postfix::ServiceManager;
using testsupport::printedBy;

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
