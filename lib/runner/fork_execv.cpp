#include "lib/runner/fork_execv.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "lib/errors/errors.h"
#include "lib/util/fd_owner.h"
#include "lib/errors/log.h"
#include "lib/process/sigpipe_ignore.h"
#include "lib/process/wide_fd_set.h"

namespace quarn {

using process::FdOwner;
using process::PipeOwner;

namespace {

const size_t BlockSize = 4096;

// In the child: `from` becomes `to`; -1 stands for "/dev/null".
void dup2Custom(int from, int to) {
    if (from == to)
        return;
    bool opened = from < 0;
    if (opened && (from = process::openDescriptor("/dev/null", O_RDWR)) < 0)
        throw SystemError("dup2Custom failed", errno);
    if (from == to)
        return;
    while (::dup2(from, to) < 0) {
        if (errno != EINTR)
            throw SystemError("dup2Custom failed", errno);
    }
    process::closeDescriptor(from);
}

void closeFrom3() {
    int top = ::getdtablesize();
    if (top > 3 && ::close_range(3, top - 1, 0) < 0) {
        for (int fd = 3; fd < top; ++fd)
            process::closeDescriptor(fd);
    }
}

// The child never returns: whatever goes wrong is told on its own output,
// which the parent is collecting, and ends it with status 1.
[[noreturn]] void runChild(int in, int out, int err, const std::string& program,
                           char* const* args, const Environment& environment) {
    process::SigpipeIgnore::restoreInChild();
    try {
        dup2Custom(in, 0);
        dup2Custom(out, 1);
        dup2Custom(err, 2);
        closeFrom3();
        for (const auto& variable : environment) {
            if (::setenv(variable.first.c_str(), variable.second.c_str(), 1) < 0)
                throw SystemError("forkExecvPipes: setenv() falied", errno);
        }
    } catch (const std::exception& e) {
        ::dprintf(2, "%s\n", e.what());
        ::_exit(1);
    }
    ::execvp(program.c_str(), args);
    const char* text = std::strerror(errno);
    ::dprintf(2, "forkExecvPipes: execv() failed: %s\n", text);
    ::dprintf(1, "forkExecvPipes: execv() failed: %s\n", text);
    ::_exit(1);
}

void createPipe(PipeOwner& pipe) {
    try {
        pipe.create();
    } catch (const SystemError&) {
        messlog2(1, 0, "forkExecvGetOutErr: pipe() failed");
    }
}

void makeNonBlocking(const FdOwner& fd) {
    int flags = ::fcntl(fd.get(), F_GETFL);
    if (flags < 0 || ::fcntl(fd.get(), F_SETFL, flags | O_NONBLOCK) < 0)
        messlog2(1, 0, "forkExecvGetOutErr: fcntl(O_NONBLOCK) failed");
}

// Writes what the pipe takes; the input is done (closed) when all is written
// or the reader has gone.
void writeToString(FdOwner& fd, const std::string& input, size_t& written) {
    while (written < input.size()) {
        // SIGPIPE is ignored while the child runs: a reader that has gone
        // gives EPIPE.
        ssize_t n = ::write(fd.get(), input.data() + written, input.size() - written);
        if (n > 0) {
            written += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        if (n < 0 && errno != EPIPE)
            throw SystemError("writeToString failed", errno);
        break;
    }
    fd.close();
}

// Reads blocks until the pipe is empty for now; closes it at end of file.
void readToString(FdOwner& fd, std::string& target) {
    char block[BlockSize];
    for (;;) {
        ssize_t n = ::read(fd.get(), block, sizeof block);
        if (n > 0) {
            target.append(block, n);
            continue;
        }
        if (n == 0) {
            fd.close();
            return;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return;
        if (errno != EINTR)
            throw SystemError("readToString failed", errno);
    }
}

void serve(FdOwner& in, FdOwner& out, FdOwner& err, const std::string& input,
           std::string& output, std::string& errors) {
    size_t written = 0;
    while (!in.empty() || !out.empty() || !err.empty()) {
        process::WideFdSet readable, writable;
        int top = -1;
        for (FdOwner* fd : {&out, &err}) {
            if (!fd->empty()) {
                readable.set(fd->get());
                top = std::max(top, fd->get());
            }
        }
        if (!in.empty()) {
            writable.set(in.get());
            top = std::max(top, in.get());
        }
        process::selectWide(top + 1, &readable, &writable,
                            "forkExecvGetOutErr: select() failed");
        if (!in.empty() && writable.isSet(in.get()))
            writeToString(in, input, written);
        if (!out.empty() && readable.isSet(out.get()))
            readToString(out, output);
        if (!err.empty() && readable.isSet(err.get()))
            readToString(err, errors);
    }
}

int waitForExit(pid_t pid) {
    int status;
    pid_t r;
    do
        r = ::waitpid(pid, &status, 0);
    while (r < 0 && errno == EINTR);
    if (r != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

}  // namespace

pid_t forkExecvPipes(int in, int out, int err, const std::string& program, char* const* args,
                     const Environment& environment) {
    pid_t pid = ::fork();
    if (pid < 0)
        throw SystemError("forkExecvPipes: fork() failed", errno);
    if (pid == 0)
        runChild(in, out, err, program, args, environment);
    return pid;
}

int forkExecvGetInOutErrSuidEnv(std::string input, std::string& output, std::string& errors,
                                const std::string& program, char* const* args,
                                const Environment& environment) {
    process::SigpipeIgnore noSigpipe;
    PipeOwner pipes[3];
    for (PipeOwner& p : pipes)
        createPipe(p);
    FdOwner& in = pipes[0].writeEnd();
    FdOwner& out = pipes[1].readEnd();
    FdOwner& err = pipes[2].readEnd();
    for (FdOwner* fd : {&in, &out, &err})
        makeNonBlocking(*fd);
    pid_t pid = forkExecvPipes(pipes[0].readEnd().get(), pipes[1].writeEnd().get(),
                               pipes[2].writeEnd().get(), program, args, environment);
    pipes[0].readEnd().close();
    pipes[1].writeEnd().close();
    pipes[2].writeEnd().close();
    serve(in, out, err, input, output, errors);
    return waitForExit(pid);
}

}  // namespace quarn
