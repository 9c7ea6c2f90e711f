#include "lib/process/sigpipe_ignore.h"

#include <signal.h>

#include <cerrno>

#include "lib/errors/errors.h"

namespace quarn {
namespace process {

namespace {

int depth = 0;
struct sigaction saved;

}  // namespace

SigpipeIgnore::SigpipeIgnore() {
    if (depth > 0) {
        ++depth;
        return;
    }
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    if (::sigaction(SIGPIPE, &ignore, &saved) < 0)
        throw SystemError("sigaction", errno);
    depth = 1;
}

SigpipeIgnore::~SigpipeIgnore() {
    if (--depth > 0)
        return;
    int error = errno;
    ::sigaction(SIGPIPE, &saved, nullptr);
    errno = error;
}

void SigpipeIgnore::restoreInChild() noexcept {
    // main starts from the default action, so an ignore seen here is ours or
    // a library's (the MySQL client ignores SIGPIPE for the whole process);
    // no program we start should inherit it across exec.
    struct sigaction fallback = {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    ::sigaction(SIGPIPE, &fallback, nullptr);
}

}  // namespace process
}  // namespace quarn
