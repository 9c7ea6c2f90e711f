#include "lib/process/process_launch.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <string>

#include "lib/errors/errors.h"
#include "lib/process/exec_report.h"
#include "lib/util/fd_flags.h"
#include "lib/process/process_child.h"
#include "lib/process/process_flags.h"

namespace quarn {
namespace process {

namespace {

const char* const Names[3] = {"stdin", "stdout", "stderr"};

std::string step(int which, const char* what) { return std::string(Names[which]) + " " + what; }

pid_t forkRepeated() {
    for (;;) {
        pid_t pid = ::fork();
        if (pid >= 0)
            return pid;
        if (errno != EINTR)
            throw SystemError("fork", errno);
    }
}

}  // namespace

// Resolves one standard descriptor code into the child's end and, for a
// pipe, the parent's end, which is close-on-exec so that later children of
// a pipeline do not hold it open.
void ProcessLaunch::prepare(int which, int code, FdOwner& childEnd) {
    if (code >= 0) {
        childEnd = FdOwner::borrow(code);
    } else if (code == DevNull) {
        childEnd = FdOwner::open("/dev/null", which == 0 ? O_RDONLY : O_WRONLY, 0,
                                 step(which, "/dev/null open"));
    } else if (code == Handled) {
        PipeOwner p;
        p.create(step(which, "pipe"));
        childEnd = std::move(which == 0 ? p.readEnd() : p.writeEnd());
        ends_[which] = std::move(which == 0 ? p.writeEnd() : p.readEnd());
        setCloseOnExec(ends_[which].get(), step(which, "pipe"));
    } else if (code != Inherit && !(which == 2 && code == SameAsStdout)) {
        throw std::invalid_argument("invalid FD for " + std::string(Names[which]));
    }
}

ProcessLaunch::ProcessLaunch(const char* const* argv, const char* file, const char* workDir,
                             const char* const* environment, bool closeOtherFds,
                             bool searchPath, bool newSession,
                             const std::function<void()>& preExec, int stdinCode,
                             int stdoutCode, int stderrCode) {
    FdOwner childEnds[3];
    int codes[3] = {stdinCode, stdoutCode, stderrCode};
    for (int i = 0; i < 3; ++i)
        prepare(i, codes[i], childEnds[i]);
    control_.create("pipe");
    ChildSetup setup;
    setup.argv = argv;
    setup.file = file;
    setup.workDir = workDir;
    setup.environment = environment;
    setup.closeOtherFds = closeOtherFds;
    setup.searchPath = searchPath;
    setup.newSession = newSession;
    setup.preExec = &preExec;
    setup.errSameAsOut = stderrCode == SameAsStdout;
    for (int i = 0; i < 3; ++i) {
        setup.childEnds[i] = &childEnds[i];
        setup.parentEnds[i] = &ends_[i];
    }
    setup.control = &control_;
    pid_ = forkRepeated();
    if (pid_ == 0)
        runChild(setup);
    control_.writeEnd().close();
    for (FdOwner& end : childEnds)
        end.close();
}

ProcessLaunch::~ProcessLaunch() {}

void ProcessLaunch::waitExec() {
    std::string report;
    char chunk[1024];
    for (;;) {
        ssize_t n = ::read(control_.readEnd().get(), chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw SystemError("control pipe read", errno);
        if (n == 0)
            break;
        report.append(chunk, n);
    }
    control_.readEnd().close();
    try {
        raiseReportedException(report);
    } catch (...) {
        reapFailedChild();
        throw;
    }
}

// A child that reported an error is exiting at once; waiting for it here
// keeps a failed launch from leaving a zombie behind.
void ProcessLaunch::reapFailedChild() noexcept {
    int saved = errno;
    int status;
    pid_t r;
    do
        r = ::waitpid(pid_, &status, 0);
    while (r < 0 && errno == EINTR);
    if (r == pid_) {
        reaped_ = true;
        exitStatus_ = status;
    }
    errno = saved;
}

int ProcessLaunch::waitExit() {
    if (reaped_)
        return exitStatus_;
    int status;
    pid_t r;
    do
        r = ::waitpid(pid_, &status, 0);
    while (r < 0 && errno == EINTR);
    if (r != pid_)
        throw SystemError("unable to wait for child process exit", r < 0 ? errno : ECHILD);
    reaped_ = true;
    exitStatus_ = status;
    return status;
}

}  // namespace process
}  // namespace quarn
