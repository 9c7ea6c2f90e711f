// The signal state a run starts from and the check of its output at exit,
// each tried in a child process so the test's own state stays as it was.
#include "lib/process/start_state.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <iostream>
#include <string>

#include <gtest/gtest.h>

#include "lib/process/pipe.h"
#include "lib/runner/exec_cmd.h"

namespace {

using namespace quarn::process;

// Runs `body` in a child with standard output on `out` and standard error
// into a pipe; returns the exit status and sets `err` to what it wrote.
int inChild(const char* out, const std::function<int()>& body, std::string& err) {
    int fds[2];
    if (pipe(fds) < 0)
        return -1;
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        int fd = open(out, O_WRONLY);
        dup2(fd, 1);
        dup2(fds[1], 2);
        _exit(body());
    }
    close(fds[1]);
    char buf[512];
    ssize_t n;
    while ((n = read(fds[0], buf, sizeof buf)) > 0)
        err.append(buf, n);
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

// A pipeline and a command runner that both need their children's ends.
int runChildren() {
    try {
        std::string out;
        Pipe pipe(ProcessParameters("/bin/echo", "piped"));
        pipe.outChannel = makeStringReceiver(out);
        if (pipe.run() != 0 || out != "piped\n")
            return 3;
        quarn::ExecCmd cmd("/bin/echo");
        cmd << "run";
        return cmd.exec(std::nothrow) == 0 ? 0 : 4;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 5;
    }
}

TEST(StartState, ChildrenAreHandledWhateverTheCallerLeft) {
    struct Case {
        const char* name;
        std::function<void()> callerState;
    } cases[] = {
        {"SIGCHLD blocked", [] {
             sigset_t set;
             sigemptyset(&set);
             sigaddset(&set, SIGCHLD);
             sigprocmask(SIG_BLOCK, &set, nullptr);
         }},
        {"SIGCHLD ignored", [] { signal(SIGCHLD, SIG_IGN); }},
        {"SIGPIPE ignored and blocked", [] {
             signal(SIGPIPE, SIG_IGN);
             sigset_t set;
             sigemptyset(&set);
             sigaddset(&set, SIGPIPE);
             sigprocmask(SIG_BLOCK, &set, nullptr);
         }},
    };
    for (const Case& c : cases) {
        std::string err;
        int status = inChild("/dev/null", [&] {
            c.callerState();
            alarm(10);  // a pipeline that never hears of its child would hang
            resetSignals();
            return runChildren();
        }, err);
        EXPECT_EQ(0, status) << c.name << ": " << err;
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
        {"full device", "/dev/full", 0, 1, "mxwarden: write error on standard output"},
        {"full device, already failed", "/dev/full", 1, 1,
         "mxwarden: write error on standard output"},
        {"full device, unknown thrown object", "/dev/full", 2, 2,
         "mxwarden: write error on standard output"},
    };
    for (const Case& c : cases) {
        std::string err;
        int status = inChild(c.out, [&] {
            std::cout << "report\n";
            std::printf("more\n");
            return finishOutput(c.status);
        }, err);
        EXPECT_EQ(c.want, status) << c.name;
        EXPECT_EQ(0u, err.find(c.wantErr)) << c.name << ": got '" << err << "'";
        EXPECT_EQ(std::string(c.wantErr).empty(), err.empty()) << c.name << ": got '" << err << "'";
    }
}

}  // namespace
