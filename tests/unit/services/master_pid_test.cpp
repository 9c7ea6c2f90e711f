// The pid file of Postfix's master and the queue manager found under it.
#include "mail/postfix/services/master_pid.h"

#include <unistd.h>

#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "mail/postfix/services/proc_scan.h"
#include "tests/unit/services/named_child.h"

namespace {

using namespace quarn::mail::postfix;
using testsupport::NamedChild;

TEST(MasterPid, PidFile) {
    struct Case {
        const char* name;
        std::optional<std::string> text;
        pid_t want;
    } cases[] = {
        {"missing", std::nullopt, -1},     {"number", "1234\n", 1234},
        {"leading blanks", "   42\n", 42}, {"no number", "abc\n", -1},
        {"empty", "", -1},                 {"number then text", "77 x\n", 77},
    };
    for (const Case& c : cases) {
        testsupport::TempDir dir;
        std::string path = dir.file("master.pid");
        if (c.text)
            dir.write("master.pid", *c.text);
        EXPECT_EQ(c.want, readPidFile(path.c_str())) << c.name;
    }
}

TEST(MasterPid, QueueManagerMustBeAChildOfTheMaster) {
    testsupport::TempDir dir;
    EXPECT_FALSE(qmgrRunsUnder(getpid())) << "before any qmgr";
    {
        NamedChild other(dir, "qmgrx");
        EXPECT_FALSE(qmgrRunsUnder(getpid())) << "a longer name";
    }
    NamedChild qmgr(dir, "qmgr");
    EXPECT_TRUE(qmgrRunsUnder(getpid())) << "qmgr under this process";
    EXPECT_FALSE(qmgrRunsUnder(getppid())) << "qmgr under another parent";
}

}  // namespace
