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

TEST(StartState, UnwrittenOutputTurnsSuccessIntoFailure) {
    struct Case {
        const char* name;
        const char* out;
        int status;
        int want;
        const char* wantErr;
    } cases[] = {
        {"written", "/dev/null", 0, 0, ""},
        // A full device after success: test_full_standard_output_is_a_failure.
        {"full device, already failed", "/dev/full", 1, 1,
         "mxwarden: write error on standard output"},
        {"full device, unknown thrown object", "/dev/full", 2, 2,
         "mxwarden: write error on standard output"},
    };
    for (const Case& c : cases) {
        ChildOutput got = runInChild([&] {
            dup2(open(c.out, O_WRONLY), 1);
            std::cout << "report\n";
            std::printf("more\n");
            std::_Exit(finishOutput(c.status));
        });
        EXPECT_EQ(c.want, got.exitStatus) << c.name;
        EXPECT_EQ(0u, got.err.find(c.wantErr)) << c.name << ": got '" << got.err << "'";
        EXPECT_EQ(std::string(c.wantErr).empty(), got.err.empty()) << c.name << ": got '" << got.err << "'";
    }
}

}  // namespace
