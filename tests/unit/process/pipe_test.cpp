#include "lib/process/pipe.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "lib/errors/errors.h"
#include "tests/unit/process/process_test_support.h"

namespace {

using namespace quarn::process;
using process_test::thrownBy;

class PipeTest : public process_test::NoLeaks {};

// Hands `text` out in pieces of `piece` bytes.
InputProducer piecesOf(const std::string& text, size_t piece) {
    auto pos = std::make_shared<size_t>(0);
    return [text, piece, pos](std::vector<char>& buffer) {
        size_t n = std::min(piece, text.size() - *pos);
        buffer.assign(text.begin() + *pos, text.begin() + *pos + n);
        *pos += n;
        return *pos < text.size();
    };
}

int exitCode(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : -1000; }

TEST_F(PipeTest, OutputWithoutLineFeedAndAfterExitIsDelivered) {
    // The first chunk stalls the parent while the child fills the pipe and
    // exits: the rest is read only after its end has been noted.
    std::string out;
    size_t atExit = 0;
    Pipe pipe(ProcessParameters("/bin/sh", "-c",
                                "printf a; sleep 0.1; head -c 59999 /dev/zero | tr '\\0' a"));
    pipe.outChannel = [&out](const std::vector<char>& chunk) {
        if (out.empty())
            std::this_thread::sleep_for(std::chrono::milliseconds(300));  // through SIGCHLD
        out.append(chunk.begin(), chunk.end());
    };
    pipe.onExit = [&](unsigned, int) { atExit = out.size(); };
    EXPECT_EQ(0, exitCode(pipe.run()));
    EXPECT_EQ(std::string(60000, 'a'), out);
    EXPECT_LT(atExit, out.size()) << "the output should have outlasted the child";
}

// More than a pipe holds goes in and out without a deadlock, in pieces of
// any size; an input with nothing in it is end of file at once.
TEST_F(PipeTest, ChannelsDeliverWhatTheChildWrote) {
    std::string big;
    for (int i = 0; big.size() < (1 << 20); ++i)
        big += "record " + std::to_string(i) + " value\n";
    const char* echo = "echo out; echo err >&2";
    struct Case {
        const char* name;
        const char* script;
        InputProducer input;
        int errCode;
        std::string wantOut, wantErr;
    } cases[] = {
        {"separate", echo, {}, Handled, "out\n", "err\n"},
        {"same as stdout", echo, {}, SameAsStdout, "out\nerr\n", ""},
        {"error to /dev/null", echo, {}, DevNull, "out\n", ""},
        {"1 MiB in one piece", "cat", piecesOf(big, 1 << 20), Handled, big, ""},
        {"1 MiB in pieces of 64 KiB", "cat", piecesOf(big, 65536), Handled, big, ""},
        {"1 MiB in pieces of 1000", "cat", piecesOf(big, 1000), Handled, big, ""},
        {"no producer", "cat", {}, Handled, "", ""},
        {"producer with nothing", "cat", [](std::vector<char>&) { return false; }, Handled, "", ""},
        {"empty buffers, then nothing", "cat",
         [n = 0](std::vector<char>&) mutable { return ++n < 3; }, Handled, "", ""},
    };
    for (const Case& c : cases) {
        std::string out, err;
        Pipe pipe(ProcessParameters("/bin/sh", "-c", c.script));
        pipe.inChannel = Channel<InputProducer>(Handled, c.input);  // none: no producer
        pipe.outChannel = makeStringReceiver(out);
        pipe.errChannel = Channel<OutputConsumer>(c.errCode, makeStringReceiver(err));
        EXPECT_EQ(0, exitCode(pipe.run())) << c.name;
        EXPECT_TRUE(c.wantOut == out) << c.name << ": got " << out.size() << " bytes of output, want "
                                      << c.wantOut.size();
        EXPECT_EQ(c.wantErr, err) << c.name;
    }
}

// Would hang if a later child held the parent's end of the first input.
TEST_F(PipeTest, ProcessesAreChainedAndAllStatusesKept) {
    std::string out;
    std::vector<unsigned> exited;
    Pipe pipe(ProcessParameters("/bin/cat"));
    pipe.append(ProcessParameters("/bin/cat"));
    pipe.append(ProcessParameters("/bin/sh", "-c", "cat; exit 3"));
    pipe.inChannel = piecesOf("hello\n", 4);
    pipe.outChannel = makeStringReceiver(out);
    pipe.onExit = [&exited](unsigned i, int) { exited.push_back(i); };
    int status = pipe.run();
    EXPECT_EQ(3, exitCode(status));
    EXPECT_EQ("hello\n", out);
    ASSERT_EQ(3u, pipe.statuses().size());
    EXPECT_EQ(status, pipe.statuses().back().status);
    EXPECT_EQ(0, exitCode(pipe.statuses()[0].status));
    EXPECT_EQ(1, pipe.statuses()[1].finished);
    EXPECT_EQ(3u, exited.size());
}

TEST_F(PipeTest, ChildStartFailuresReachTheParent) {
    struct Case {
        const char* name;
        ProcessParameters process;
        std::string workDir;
        std::string want;
    } cases[] = {
        {"absolute path missing", ProcessParameters("/nonexistent/program"), "",
         "execv: No such file or directory"},
        {"name not in PATH", ProcessParameters("mxwarden-no-such-program"), "",
         "execvp: No such file or directory"},
        {"bad working directory", ProcessParameters("/bin/true"), "/nonexistent/dir",
         "cwd chdir: No such file or directory"},
        {"not executable", ProcessParameters("/etc/passwd"), "", "execv: Permission denied"},
    };
    for (Case& c : cases) {
        Pipe pipe(c.process);
        pipe.workDir = c.workDir;
        EXPECT_EQ(c.want, thrownBy<quarn::SystemError>([&] { pipe.run(); })) << c.name;
    }
}

TEST_F(PipeTest, MisuseIsALogicError) {
    struct Case {
        const char* name;
        std::function<void(Pipe&)> misuse;
        const char* want;
    } cases[] = {
        {"second run", [](Pipe& p) { p.run(), p.run(); }, "the pipe has been launched already"},
        {"append after run",
         [](Pipe& p) { p.run(), p.append(ProcessParameters("/bin/true")); },
         "adding processes to the launched pipe is prohibited"},
        {"no processes", [](Pipe& p) { p.processes().clear(), p.run(); },
         "No processes to launch were assigned so far"},
    };
    for (const Case& c : cases) {
        Pipe pipe(ProcessParameters("/bin/true"));
        EXPECT_EQ(c.want, thrownBy<std::logic_error>([&] { c.misuse(pipe); })) << c.name;
    }
}

TEST_F(PipeTest, PipelineSettingsReachTheProcesses) {
    const char* env[] = {"MXW_TEST=from env", nullptr};
    std::string out;
    Pipe pipe(ProcessParameters("/bin/sh", "-c", "pwd; echo \"$MXW_TEST:$HOME\""));
    pipe.workDir = "/tmp";
    pipe.environment = env;
    pipe.outChannel = makeStringReceiver(out);
    EXPECT_EQ(0, exitCode(pipe.run()));
    EXPECT_EQ("/tmp\nfrom env:\n", out);
}

TEST_F(PipeTest, CloseOtherFdsKeepsOnlyTheStandardDescriptors) {
    int fd = fcntl(0, F_DUPFD, 100);  // not close-on-exec, and above the shell's own
    ASSERT_GE(fd, 100);
    std::string fdName = " " + std::to_string(fd) + " ";
    for (bool closeOthers : {false, true}) {
        std::string out;
        Pipe pipe(ProcessParameters("/bin/sh", "-c", "echo \" $(cd /proc/self/fd && echo *) \""));
        pipe.closeOtherFds = closeOthers;
        pipe.outChannel = makeStringReceiver(out);
        pipe.run();
        EXPECT_EQ(!closeOthers, out.find(fdName) != std::string::npos)
            << "closeOtherFds " << closeOthers << ": got " << out;
    }
    close(fd);
}

// The wait status of the last process, however it ended.
TEST_F(PipeTest, StatusOfAChildThatEndsEarly) {
    struct Case {
        const char* name;
        const char* script;
        size_t input;
        int want;
    } cases[] = {
        {"signalled", "kill -TERM $$", 0, W_EXITCODE(0, SIGTERM)},
        {"stops reading: the parent lives on", "exit 4", 1 << 20, W_EXITCODE(4, 0)},
    };
    for (const Case& c : cases) {
        Pipe pipe(ProcessParameters("/bin/sh", "-c", c.script));
        if (c.input > 0)
            pipe.inChannel = piecesOf(std::string(c.input, 'x'), c.input);
        EXPECT_EQ(c.want, pipe.run()) << c.name;
    }
}

// SIGPIPE is ignored in the parent while it feeds a pipeline; the programs
// must not inherit that (an ignored signal stays ignored across exec).
// Whatever the caller's action (the MySQL client leaves SIGPIPE ignored),
// children start with the default and the caller gets its own back.
TEST_F(PipeTest, ChildrenStartWithSigpipeByDefault) {
    for (auto callerAction : {SIG_DFL, SIG_IGN}) {
        SCOPED_TRACE(callerAction == SIG_IGN ? "caller ignores SIGPIPE" : "caller default");
        struct sigaction given = {}, before;
        given.sa_handler = callerAction;
        sigaction(SIGPIPE, &given, &before);
        std::string status;
        Pipe pipe(ProcessParameters("/bin/cat", "/proc/self/status"));
        pipe.outChannel = makeStringReceiver(status);
        pipe.run();
        size_t at = status.find("SigIgn:");
        ASSERT_NE(std::string::npos, at) << status;
        unsigned long long ignored = std::stoull(status.substr(at + 7), nullptr, 16);
        EXPECT_EQ(0u, ignored & (1ULL << (SIGPIPE - 1))) << "SIGPIPE ignored in the child";
        struct sigaction now;
        sigaction(SIGPIPE, nullptr, &now);
        EXPECT_EQ(callerAction, now.sa_handler) << "SIGPIPE not given back after the run";
        sigaction(SIGPIPE, &before, nullptr);
    }
}

// The fixture fails the test when a child, running or a zombie, is left.
TEST_F(PipeTest, HandlerExceptionsLeaveNoChildBehind) {
    auto fail = [](const std::vector<char>&) { throw std::runtime_error("consumer"); };
    auto calls = std::make_shared<int>(0);
    auto failLater = [calls](std::vector<char>& b) {
        if (++*calls > 1)
            throw std::runtime_error("producer");
        b.assign(100000, 'x');
        return true;
    };
    struct Case {
        const char* name;
        std::function<void(Pipe&)> setUp;
        ProcessParameters first;
    } cases[] = {
        {"producer of cat", [&](Pipe& p) {
             p.inChannel = failLater;
             p.outChannel = DevNull;
         }, ProcessParameters("/bin/cat")},
        {"output consumer of yes", [&](Pipe& p) { p.outChannel = fail; },
         ProcessParameters("/usr/bin/yes")},
        {"error consumer", [&](Pipe& p) { p.errChannel = fail; },
         ProcessParameters("/bin/sh", "-c", "yes >&2")},
        {"consumer of a chain", [&](Pipe& p) {
             p.append(ProcessParameters("/bin/cat"));
             p.outChannel = fail;
         }, ProcessParameters("/usr/bin/yes")},
    };
    for (const Case& c : cases) {
        Pipe pipe(c.first);
        c.setUp(pipe);
        EXPECT_THROW(pipe.run(), std::runtime_error) << c.name;
        EXPECT_FALSE(process_test::hasChildren()) << c.name << ": children left";
    }
}

}  // namespace
