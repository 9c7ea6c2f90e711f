#include "lib/process/process_set_catcher.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <optional>
#include <stdexcept>

#include <gtest/gtest.h>

#include "lib/process/pipe.h"
#include "lib/process/sigchld_block.h"
#include "tests/unit/process/process_test_support.h"

namespace {

using namespace quarn::process;
using process_test::thrownBy;

class ProcessSetCatcherTest : public process_test::NoLeaks {};

void (*sigchldHandler())(int) {
    struct sigaction action;
    sigaction(SIGCHLD, nullptr, &action);
    return action.sa_handler;
}

TEST_F(ProcessSetCatcherTest, OnlyOneIsInstalledAtATime) {
    ProcessSetCatcher first;
    first.install();
    ProcessSetCatcher second;
    EXPECT_EQ("ProcessSetCatcher instance has been installed already",
              thrownBy<std::logic_error>([&] { second.install(); }));
    // A pipeline cannot run meanwhile, and leaves the signal mask as it was.
    Pipe pipe(ProcessParameters("/bin/true"));
    EXPECT_THROW(pipe.run(), std::logic_error);
    sigset_t mask;
    sigprocmask(SIG_BLOCK, nullptr, &mask);
    EXPECT_EQ(0, sigismember(&mask, SIGCHLD)) << "SIGCHLD left blocked";
    first.remove(false);
    second.install();  // free again
}

TEST_F(ProcessSetCatcherTest, ReapsRegisteredChildrenAndRestoresTheAction) {
    auto before = sigchldHandler();
    {
        ProcessSetCatcher catcher;
        std::optional<SigchldBlock> block(std::in_place);  // till the child is registered
        catcher.install();
        pid_t pid = fork();
        if (pid == 0)
            _exit(5);
        catcher.registerChild(pid);
        block.reset();
        while (catcher.ended() < 1)
            pause();
        EXPECT_EQ(1, catcher.clear_control()) << "one byte per ended child";
        EXPECT_EQ(0, catcher.clear_control());
        EXPECT_EQ(1, catcher.status(pid).finished);
        EXPECT_EQ(5, WEXITSTATUS(catcher.status(pid).status));
        EXPECT_THROW(catcher.status(pid + 100000), std::out_of_range);
    }
    EXPECT_EQ(before, sigchldHandler());
}

TEST_F(ProcessSetCatcherTest, RunningChildrenForbidAPlainRemove) {
    ProcessSetCatcher catcher;
    catcher.install();
    catcher.registerChild(999999);  // never ends
    EXPECT_EQ("there're some child processes still running",
              thrownBy<std::logic_error>([&] { catcher.remove(false); }));
    catcher.remove(true);
}

}  // namespace
