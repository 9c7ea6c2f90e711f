#include "lib/process/pipe_write.h"

#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

namespace quarn {
namespace process {

ssize_t writeWithoutSigpipe(int fd, const void* data, size_t size) noexcept {
    sigset_t pipeSet, previous, pending;
    sigemptyset(&pipeSet);
    sigaddset(&pipeSet, SIGPIPE);
    if (::sigprocmask(SIG_BLOCK, &pipeSet, &previous) < 0)
        return ::write(fd, data, size);
    sigpending(&pending);
    bool wasPending = sigismember(&pending, SIGPIPE) == 1;
    ssize_t n = ::write(fd, data, size);
    int error = errno;
    // The write raised SIGPIPE while it was blocked: take it back before the
    // mask lets it through.
    if (n < 0 && error == EPIPE && !wasPending) {
        static const timespec noWait = {0, 0};
        while (::sigtimedwait(&pipeSet, nullptr, &noWait) < 0 && errno == EINTR) {
        }
    }
    ::sigprocmask(SIG_SETMASK, &previous, nullptr);
    errno = error;
    return n;
}

}  // namespace process
}  // namespace quarn
