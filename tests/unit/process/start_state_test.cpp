// The signal state a run starts from and the check of its output at exit,
// each tried in a child process so the test's own state stays as it was.
#include "lib/process/start_state.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <iostream>
#include <string>

#include <gtest/gtest.h>

#include "lib/process/pipe.h"
#include "lib/runner/exec_cmd.h"
#include "tests/unit/process/child_output.h"

namespace {

using namespace quarn::process;
using child_test::ChildOutput;
using child_test::runInChild;

// A pipeline and a command runner that both need their children's ends.
// An exception ends the child with its text on standard error.
int runChildren() {
    std::string out;
    Pipe pipe(ProcessParameters("/bin/echo", "piped"));
    pipe.outChannel = makeStringReceiver(out);
    quarn::ExecCmd cmd("/bin/echo");
    cmd << "run";
    return pipe.run() == 0 && out == "piped\n" && cmd.exec(std::nothrow) == 0 ? 0 : 3;
}

void block(int signal) {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, signal);
    sigprocmask(SIG_BLOCK, &set, nullptr);
}

TEST(StartState, ChildrenAreHandledWhateverTheCallerLeft) {
    struct Case {
        const char* name;
        std::function<void()> callerState;
    } cases[] = {
        {"SIGCHLD blocked", [] { block(SIGCHLD); }},
        {"SIGCHLD ignored", [] { signal(SIGCHLD, SIG_IGN); }},
        {"SIGPIPE ignored and blocked", [] {
             signal(SIGPIPE, SIG_IGN);
             block(SIGPIPE);
         }},
    };
    for (const Case& c : cases) {
        ChildOutput got = runInChild([&] {
            c.callerState();
            alarm(10);  // a pipeline that never hears of its child would hang
            resetSignals();
            std::_Exit(runChildren());
        });
        EXPECT_EQ(0, got.exitStatus) << c.name << ": " << got.err;
    }
}

// Written output and a full device after success are proved by every
// end-to-end command and test_full_standard_output_is_a_failure.
TEST(StartState, UnwrittenOutputKeepsAFailureStatus) {
    for (int status : {1, 2}) {  // already failed; an unknown thrown object
        ChildOutput got = runInChild([&] {
            dup2(open("/dev/full", O_WRONLY), 1);
            std::cout << "report\n";
            std::printf("more\n");
            std::_Exit(finishOutput(status));
        });
        EXPECT_EQ(status, got.exitStatus);
        EXPECT_EQ(0u, got.err.find("mxwarden: write error on standard output"))
            << "status " << status << ": got '" << got.err << "'";
    }
}

}  // namespace
