#include "lib/process/process_child.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>

#include "lib/errors/errors.h"
#include "lib/process/exec_report.h"
#include "lib/process/sigpipe_ignore.h"

namespace quarn {
namespace process {

namespace {

const char* const DupSteps[3] = {"stdin dup2", "stdout dup2", "stderr dup2"};

// Step 1: only the write end of the control pipe stays, and exec closes it.
void prepareControl(ChildSetup& s) {
    s.control->readEnd().close();
    int fd = s.control->writeEnd().get();
    if (fd <= 2) {
        // It would be overwritten by a standard descriptor: lift it.
        int lifted = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
        if (lifted < 0)
            throw SystemError("control pipe close-on-exec fcntl", errno);
        s.control->writeEnd() = FdOwner::adopt(lifted);
        return;
    }
    int flags = ::fcntl(fd, F_GETFD);
    if (flags < 0 || ::fcntl(fd, F_SETFD, flags | FD_CLOEXEC) < 0)
        throw SystemError("control pipe close-on-exec fcntl", errno);
}

// A source among 0..2 that is not its own target would be overwritten by
// another dup2; a close-on-exec copy above 2 takes its place.
int liftedSource(int fd, int target) {
    if (fd < 0 || fd > 2 || fd == target)
        return fd;
    int lifted = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
    if (lifted < 0)
        throw SystemError(DupSteps[target], errno);
    return lifted;
}

void duplicate(int from, int to) {
    while (::dup2(from, to) < 0) {
        if (errno != EINTR)
            throw SystemError(DupSteps[to], errno);
    }
}

// Step 2: standard descriptors into place, then the originals closed.
void placeStandardDescriptors(ChildSetup& s) {
    int sources[3];
    for (int i = 0; i < 3; ++i)
        sources[i] = liftedSource(s.childEnds[i]->get(), i);
    for (int i = 0; i < 3; ++i) {
        if (sources[i] >= 0 && sources[i] != i)
            duplicate(sources[i], i);
    }
    if (s.errSameAsOut)
        duplicate(1, 2);
    for (int i = 0; i < 3; ++i) {
        if (s.childEnds[i]->owned() > 2)
            s.childEnds[i]->close();
    }
}

// Step 4: without a readable limit 20 descriptors are assumed; an unlimited
// table is taken as the kernel's usual ceiling of 2^20.
void closeOtherDescriptors(int keep) {
    int saved = errno;
    rlimit limit;
    unsigned top = 20;
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0)
        top = limit.rlim_cur == RLIM_INFINITY ? 1U << 20 : static_cast<unsigned>(limit.rlim_cur);
    if (top <= 3) {
        errno = saved;
        return;
    }
    // close_range does in one call what the loop does with one per descriptor.
    bool ranged = (keep <= 3 || ::close_range(3, keep - 1, 0) == 0) &&
                  (static_cast<unsigned>(keep + 1) >= top ||
                   ::close_range(keep + 1, top - 1, 0) == 0);
    if (!ranged) {
        for (unsigned fd = 3; fd < top; ++fd) {
            if (static_cast<int>(fd) != keep)
                closeDescriptor(fd);
        }
    }
    errno = saved;
}

// The parent blocks SIGCHLD while it launches; the program should not
// inherit that.
void unblockSigchld() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGCHLD);
    if (::sigprocmask(SIG_UNBLOCK, &set, nullptr) < 0)
        throw SystemError("child sigprocmask", errno);
}

[[noreturn]] void execute(const ChildSetup& s) {
    char* const* argv = const_cast<char* const*>(s.argv);
    const char* step;
    if (s.environment) {
        step = "execve";
        while (::execve(s.file, argv, const_cast<char* const*>(s.environment)) < 0 && errno == EINTR) {
        }
    } else if (s.searchPath) {
        step = "execvp";
        while (::execvp(s.file, argv) < 0 && errno == EINTR) {
        }
    } else {
        step = "execv";
        while (::execv(s.file, argv) < 0 && errno == EINTR) {
        }
    }
    throw SystemError(step, errno);
}

void setUp(ChildSetup& s) {
    prepareControl(s);
    for (FdOwner* end : s.parentEnds)
        end->close();
    placeStandardDescriptors(s);
    if (s.workDir && ::chdir(s.workDir) < 0)
        throw SystemError("cwd chdir", errno);
    if (s.closeOtherFds)
        closeOtherDescriptors(s.control->writeEnd().get());
    if (s.newSession && ::setsid() < 0)
        throw SystemError("setsid", errno);
    unblockSigchld();
    SigpipeIgnore::restoreInChild();
    if (s.preExec && *s.preExec)
        (*s.preExec)();
    execute(s);
}

}  // namespace

void runChild(ChildSetup& setup) noexcept {
    int status;
    try {
        setUp(setup);
        status = ExitUnknownError;  // not reached: setUp execs or throws
    } catch (...) {
        status = reportCurrentException(setup.control->writeEnd().get());
    }
    // _exit: the parent's buffers and exit handlers are not the child's.
    ::_exit(status);
}

}  // namespace process
}  // namespace quarn
