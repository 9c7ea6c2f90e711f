#include "lib/runner/exec_cmd.h"

#include <string>

#include <gtest/gtest.h>

#include "tests/unit/process/process_test_support.h"

namespace {

using quarn::ExecCmd;

class ExecCmdTest : public process_test::NoLeaks {};

// The message of the exception that exec() throws, or "no exception".
std::string failureOf(ExecCmd& cmd) {
    return process_test::thrownBy<ExecCmd::ExFailed>([&] { cmd.exec(); });
}

// Input, output and errors are all caught: the "all three" case. The
// command is shown as a shell would take it, an empty word as ''.
TEST_F(ExecCmdTest, FailureMessageShowsOnlyWhatThereIs) {
    struct Case {
        const char* name;
        std::string script, input, want;
    } cases[] = {
        {"nothing", "exit 3", "", "Execution of /bin/sh -c exit\\ 3 '' failed with return code 3.\n"},
        {"all three", "cat; printf err >&2; exit 1", "data",
         "Execution of /bin/sh -c cat\\;\\ printf\\ err\\ \\>\\&2\\;\\ exit\\ 1 '' failed with "
         "return code 1.\nStdin is\ndata\nStdout is\ndata\nStderr is\nerr\n"},
        {"output only", "echo out; exit 2", "",
         "Execution of /bin/sh -c echo\\ out\\;\\ exit\\ 2 '' failed with return code 2.\n"
         "Stdout is\nout\n"},
        {"killed", "kill -KILL $$", "",
         "Execution of /bin/sh -c kill\\ -KILL\\ \\$\\$ '' failed with return code -1.\n"},
    };
    for (const Case& c : cases) {
        ExecCmd cmd("/bin/sh");
        cmd << "-c" << c.script << "";
        cmd.setInput(c.input);
        EXPECT_EQ(c.want, failureOf(cmd)) << c.name;
    }
}

// Exit statuses 0 and 1 come back from crontab in the PoplockCrontab tests.
TEST_F(ExecCmdTest, NothrowReportsAProgramThatCannotRun) {
    ExecCmd cmd("/nonexistent/program");
    EXPECT_EQ(1, cmd.exec(std::nothrow));
    std::string want = "forkExecvPipes: execv() failed: No such file or directory\n";
    EXPECT_EQ(want, cmd.getErrors());
    EXPECT_EQ(want, cmd.getOutput());
    ExecCmd again("mxwarden-no-such-program");
    EXPECT_NE("no exception", failureOf(again));
}

TEST_F(ExecCmdTest, EnvironmentIsSetInTheChild) {
    ExecCmd cmd("sh");  // looked up in PATH
    cmd << "-c" << "echo \"$MXW_A $MXW_B\"";
    cmd.setEnv("MXW_A", "one");
    cmd.setEnv("MXW_B", "two");
    cmd.setEnv("MXW_A", "three");
    cmd.exec();
    EXPECT_EQ("three two\n", cmd.getOutput());
}

TEST_F(ExecCmdTest, LargeInputAndOutputDoNotDeadlock) {
    std::string input;
    while (input.size() < (1 << 20))
        input += "0123456789abcdef\n";
    ExecCmd cmd("/bin/sh");
    cmd << "-c" << "cat; cat >&2 </dev/null";
    cmd.setInput(input);
    cmd.exec();
    EXPECT_EQ(input.size(), cmd.getOutput().size());
    EXPECT_TRUE(input == cmd.getOutput());
}

TEST_F(ExecCmdTest, ProgramThatReadsNothingStillEnds) {
    ExecCmd cmd("/bin/sh");
    cmd << "-c" << "exit 0";
    cmd.setInput(std::string(1 << 20, 'x'));
    cmd.exec();
    EXPECT_EQ(0, cmd.getReturnCode());
}

}  // namespace
