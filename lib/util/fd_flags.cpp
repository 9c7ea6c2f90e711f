#include "lib/util/fd_flags.h"

#include <fcntl.h>

#include <cerrno>

#include "lib/errors/errors.h"

namespace quarn {
namespace process {

void setNonBlocking(int fd, const std::string& step) {
    int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0)
        throw SystemError(step, errno);
}

void setCloseOnExec(int fd, const std::string& step) {
    int flags = ::fcntl(fd, F_GETFD);
    if (flags < 0 || ::fcntl(fd, F_SETFD, flags | FD_CLOEXEC) < 0)
        throw SystemError(step, errno);
}

}  // namespace process
}  // namespace quarn
