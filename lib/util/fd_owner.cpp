#include "lib/util/fd_owner.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "lib/errors/errors.h"

namespace quarn {
namespace process {

int closeDescriptor(int fd) noexcept {
    int r = ::close(fd);
    // Linux has released the descriptor even when close reports EINTR; the
    // repeated call then finds it gone, which is no failure of ours.
    while (r < 0 && errno == EINTR) {
        r = ::close(fd);
        if (r < 0 && errno == EBADF)
            return 0;
    }
    return r;
}

int openDescriptor(const char* path, int flags, mode_t mode) noexcept {
    int fd;
    do
        fd = ::open(path, flags, mode);
    while (fd < 0 && errno == EINTR);
    return fd;
}

FdOwner FdOwner::adopt(int fd) noexcept { return FdOwner(fd, fd); }

FdOwner FdOwner::borrow(int fd) noexcept { return FdOwner(fd, -1); }

FdOwner FdOwner::open(const char* path, int flags, mode_t mode, const std::string& step) {
    int fd = openDescriptor(path, flags, mode);
    if (fd < 0)
        throw SystemError(step, errno);
    return adopt(fd);
}

FdOwner::FdOwner(FdOwner&& other) noexcept
    : used_(std::exchange(other.used_, -1)), owned_(std::exchange(other.owned_, -1)) {}

FdOwner& FdOwner::operator=(FdOwner&& other) noexcept {
    if (this != &other) {
        closeQuietly();
        used_ = std::exchange(other.used_, -1);
        owned_ = std::exchange(other.owned_, -1);
    }
    return *this;
}

FdOwner::~FdOwner() { closeQuietly(); }

void FdOwner::close(const std::string& step) {
    int fd = owned_;
    used_ = owned_ = -1;
    if (fd >= 0 && closeDescriptor(fd) < 0)
        throw SystemError(step, errno);
}

int FdOwner::tryClose() noexcept {
    int fd = owned_;
    used_ = owned_ = -1;
    return fd < 0 ? 0 : closeDescriptor(fd);
}

bool FdOwner::closeQuietly() noexcept {
    int saved = errno;
    int fd = owned_;
    used_ = owned_ = -1;
    bool ok = fd < 0 || closeDescriptor(fd) == 0;
    errno = saved;
    return ok;
}

int FdOwner::release() noexcept {
    int fd = used_;
    used_ = owned_ = -1;
    return fd;
}

void PipeOwner::create(const std::string& step) {
    int ends[2];
    if (::pipe(ends) < 0)
        throw SystemError(step, errno);
    read_ = FdOwner::adopt(ends[0]);
    write_ = FdOwner::adopt(ends[1]);
}

}  // namespace process
}  // namespace quarn
