#include "lib/util/plain_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "lib/util/fd_owner.h"

int plain_file_error(const struct stat& st) {
    if (S_ISLNK(st.st_mode))
        return ELOOP;
    if (S_ISDIR(st.st_mode))
        return EISDIR;
    if (!S_ISREG(st.st_mode))
        return EINVAL;
    if (st.st_nlink != 1)
        return EMLINK;
    return 0;
}

int open_plain_file(const char* path, int flags, mode_t mode, const struct stat* expected) {
    return open_plain_file_at(AT_FDCWD, path, flags, mode, expected);
}

int open_plain_file_at(int dirfd, const char* name, int flags, mode_t mode,
                       const struct stat* expected) {
    // O_NONBLOCK: a FIFO put at the path between a check and the open would
    // otherwise hold the open until somebody opens its other end.
    int fd;
    do
        fd = openat(dirfd, name, flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, mode);
    while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return -1;
    quarn::process::FdOwner owner = quarn::process::FdOwner::adopt(fd);
    struct stat st;
    if (fstat(fd, &st) < 0)
        return -1;
    int error = plain_file_error(st);
    if (error == 0 && expected && (st.st_dev != expected->st_dev || st.st_ino != expected->st_ino))
        error = EAGAIN;
    if (error != 0) {
        errno = error;
        return -1;
    }
    return owner.release();
}

bool write_all(int fd, const void* data, std::size_t size) {
    const char* next = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = write(fd, next, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        next += n;
        size -= n;
    }
    return true;
}
