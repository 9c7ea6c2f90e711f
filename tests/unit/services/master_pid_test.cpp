// The pid file of Postfix's master and the queue manager found under it.
#include "mail/postfix/services/master_pid.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "mail/postfix/services/proc_scan.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace quarn::mail::postfix;

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

// A child of this process that runs a copy of sleep under `name`.
class NamedChild {
public:
    NamedChild(const testsupport::TempDir& dir, const std::string& name) {
        std::string exe = dir.file(name);
        std::filesystem::copy_file("/bin/sleep", exe);
        pid_ = fork();
        if (pid_ == 0) {
            execl(exe.c_str(), name.c_str(), "30", static_cast<char*>(nullptr));
            _exit(127);
        }
        // Wait until the child runs the copy.
        std::string seen;
        pid_t parent;
        for (int i = 0; i < 200 && !(readProcessStat(pid_, seen, parent) && seen == name); ++i)
            usleep(10000);
    }
    ~NamedChild() {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }

private:
    pid_t pid_;
};

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
