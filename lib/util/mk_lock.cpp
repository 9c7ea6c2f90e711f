#include "lib/util/mk_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include <openssl/evp.h>

#include "lib/errors/errors.h"
#include "lib/errors/log.h"

namespace quarn {

const char* const LOCK_FILES_DIR = "/var/lock/files";

std::string mk_flock_path(const std::string& path) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    // EVP rather than MD5(): the low-level digest calls are deprecated in
    // OpenSSL 3; the result is the same.
    if (!EVP_Digest(path.data(), path.size(), digest, &size, EVP_md5(), nullptr))
        throw std::runtime_error("MD5 digest of " + path + " failed");
    static const char hex[] = "0123456789abcdef";
    std::string result = std::string(LOCK_FILES_DIR) + "/";
    for (unsigned int i = 0; i < size; ++i) {
        result += hex[digest[i] >> 4];
        result += hex[digest[i] & 0x0f];
    }
    return result;
}

namespace {

// The directory lives on a tmpfs on many systems and is gone after a reboot.
// /var/lock is writable by everybody, so a directory found there is used only
// when it is ours and nobody else can write to it: otherwise another user
// could plant links at the lock names and have root truncate any file.
void ensureLockDir() {
    if (::mkdir(LOCK_FILES_DIR, 0755) == 0) {
        // The umask may have taken bits away.
        if (::chmod(LOCK_FILES_DIR, 0755) < 0)
            throwSystemError("lock() failed", errno);
    } else if (errno != EEXIST) {
        int error = errno;
        messlog2(0, 0, "Unable to create directory \"%s\".", LOCK_FILES_DIR);
        throwSystemError("lock() failed", error);
    }
    struct stat st;
    if (::lstat(LOCK_FILES_DIR, &st) < 0)
        throwSystemError("lock() failed", errno);
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::geteuid() || (st.st_mode & 022)) {
        errno = EPERM;
        messlog2(0, 0, "Unsafe lock directory \"%s\": not a directory of this user "
                 "closed to others.", LOCK_FILES_DIR);
        throwSystemError("lock() failed", EPERM);
    }
}

}  // namespace

MKLock::MKLock(const std::string& path, int useFileName, int nonBlocking)
    : lockPath_(useFileName ? path : mk_flock_path(path)) {
    if (!useFileName)
        ensureLockDir();
    // Close-on-exec: a child holds the lock only when its caller hands the
    // descriptor over on purpose (inheritInChild).
    int fd = process::openDescriptor(lockPath_.c_str(),
                                     O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0) {
        int error = errno;
        messlog2(0, 0, "Unable to open file \"%s\": %s.", lockPath_.c_str(),
                 std::strerror(error));
        throwSystemError("lock() failed", error);
    }
    fd_ = process::FdOwner::adopt(fd);
    int operation = LOCK_EX | (nonBlocking ? LOCK_NB : 0);
    int rc;
    do
        rc = flock(fd_.get(), operation);
    while (rc < 0 && errno == EINTR);
    if (rc == 0)
        return;
    int error = errno;
    if (nonBlocking && error == EWOULDBLOCK)
        throw std::runtime_error("lock(" + path + ") failed: file is already locked");
    throwSystemError("lock() failed", error);
}

MKLock::~MKLock() {}

void MKLock::unlock() { fd_.close("unlock() failed"); }

void MKLock::inheritInChild() const {
    int fd = fd_.get();
    int flags = ::fcntl(fd, F_GETFD);
    if (flags < 0 || ::fcntl(fd, F_SETFD, flags & ~FD_CLOEXEC) < 0)
        throw SystemError("lock inherit fcntl", errno);
}

}  // namespace quarn
