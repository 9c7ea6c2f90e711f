#include "lib/process/process_set_catcher.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <exception>
#include <stdexcept>

#include "lib/errors/errors.h"
#include "lib/util/fd_flags.h"

namespace quarn {
namespace process {

ProcessSetCatcher* volatile ProcessSetCatcher::installed_ = nullptr;

ProcessSetCatcher::ProcessSetCatcher() : exceptions_(std::uncaught_exceptions()) {}

ProcessSetCatcher::~ProcessSetCatcher() noexcept(false) {
    remove(std::uncaught_exceptions() > exceptions_);
}

// The control pipe exists and this instance is the installed one before the
// handler is set, so the handler never runs without somewhere to report.
void ProcessSetCatcher::install() {
    if (installed_)
        throw std::logic_error("ProcessSetCatcher instance has been installed already");
    control_.create("process set catcher control pipe");
    for (FdOwner* end : {&control_.readEnd(), &control_.writeEnd()}) {
        setNonBlocking(end->get(), "control pipe fcntl");
        // Children have no business with it.
        setCloseOnExec(end->get(), "control pipe fcntl");
    }
    struct sigaction action = {};
    action.sa_sigaction = onSigchld;
    action.sa_flags = SA_SIGINFO | SA_NOCLDSTOP;
    if (::sigprocmask(SIG_BLOCK, nullptr, &action.sa_mask) < 0)
        throw SystemError("sigaction", errno);
    installed_ = this;
    if (::sigaction(SIGCHLD, &action, &previous_) < 0) {
        int error = errno;
        installed_ = nullptr;
        control_.readEnd().closeQuietly();
        control_.writeEnd().closeQuietly();
        throw SystemError("sigaction", error);
    }
}

void ProcessSetCatcher::remove(bool force) {
    if (installed_ != this)
        return;
    control_.readEnd().closeQuietly();
    control_.writeEnd().closeQuietly();
    if (!force && ended_ < registered_)
        throw std::logic_error("there're some child processes still running");
    table_.clear();
    registered_ = ended_ = changes_ = 0;
    int saved = errno;
    int failed = ::sigaction(SIGCHLD, &previous_, nullptr);
    installed_ = nullptr;
    if (failed < 0 && !force)
        throw SystemError("restore sigaction", errno);
    errno = saved;
}

int ProcessSetCatcher::clear_control() {
    int saved = errno;
    int count = 0;
    char byte;
    for (;;) {
        ssize_t n = ::read(control_.readEnd().get(), &byte, 1);
        if (n == 1) {
            ++count;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        break;  // end of file, EAGAIN or a closed pipe
    }
    errno = saved;
    return count;
}

void ProcessSetCatcher::registerChild(pid_t pid) {
    table_[pid] = ProcessStatus();
    ++registered_;
}

const ProcessStatus& ProcessSetCatcher::status(pid_t pid) const {
    auto it = table_.find(pid);
    if (it == table_.end())
        throw std::out_of_range("no such pid");
    return it->second;
}

bool ProcessSetCatcher::hasEnded(pid_t pid) const noexcept {
    auto it = table_.find(pid);
    return it != table_.end() && it->second.finished &&
           (WIFEXITED(it->second.status) || WIFSIGNALED(it->second.status));
}

void ProcessSetCatcher::onSigchld(int, siginfo_t*, void*) {
    int saved = errno;
    if (ProcessSetCatcher* catcher = installed_)
        catcher->reap();
    errno = saved;
}

// Runs in the signal handler: only lookups in the table, whose shape does
// not change while SIGCHLD can arrive.
void ProcessSetCatcher::reap() noexcept {
    for (;;) {
        int status;
        pid_t pid = ::waitpid(-1, &status, WNOHANG);
        if (pid < 0 && errno == EINTR)
            continue;
        if (pid <= 0)
            return;
        record(pid, status);
    }
}

void ProcessSetCatcher::record(pid_t pid, int status) noexcept {
    auto it = table_.find(pid);
    if (it == table_.end())
        return;  // not ours: reaped and forgotten
    it->second.status = status;
    it->second.finished = 1;
    ++changes_;
    if (!WIFEXITED(status) && !WIFSIGNALED(status))
        return;
    ++ended_;
    char byte = 't';
    while (::write(control_.writeEnd().get(), &byte, 1) < 0 && errno == EINTR) {
    }
}

}  // namespace process
}  // namespace quarn
