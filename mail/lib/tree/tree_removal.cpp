#include "mail/lib/tree/tree_removal.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "lib/util/eintr.h"
#include "lib/util/fd_owner.h"
#include "mail/lib/tree/dir_handle.h"

namespace quarn {
namespace mail {

namespace {

using process::FdOwner;

// Passes over a directory before giving up on emptying it: popuser may
// keep adding entries, and the removal must end all the same.
const int EMPTYING_PASSES = 3;

/// The names in the directory `fd`, "." and ".." left out; false with errno.
bool listNames(int fd, std::vector<std::string>& names) {
    int copy = fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (copy < 0)
        return false;
    DirHandle dir(fdopendir(copy));
    if (!dir) {
        process::closeDescriptor(copy);
        return false;
    }
    rewinddir(dir.get());
    errno = 0;
    while (const struct dirent* entry = readdir(dir.get())) {
        if (!isDotOrDotDot(entry->d_name))
            names.push_back(entry->d_name);
        errno = 0;
    }
    return errno == 0;
}

/// Removes everything in the directory `fd`; 0 or -1 with errno.
// The names are read first and removed afterwards, so that no entry is
// skipped by a directory stream that changes under it.
int emptyDirectory(int fd) {
    for (int pass = 0; pass < EMPTYING_PASSES; ++pass) {
        std::vector<std::string> names;
        if (!listNames(fd, names))
            return -1;
        if (names.empty())
            return 0;
        for (const std::string& name : names)
            if (tree_remove_at(fd, name.c_str()) != 0)
                return -1;
    }
    return 0;  // rmdir tells whether it is empty now
}

/// Enters the directory `name` that fstatat showed as `seen`; it must still
/// be that directory.
int enterChecked(int dirfd, const char* name, const struct stat& seen) {
    int fd = retryOnEintr(
        [&] { return openat(dirfd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC); });
    if (fd < 0)
        return -1;
    struct stat now;
    if (fstat(fd, &now) != 0 || now.st_dev != seen.st_dev || now.st_ino != seen.st_ino) {
        process::closeDescriptor(fd);
        errno = ESTALE;
        return -1;
    }
    return fd;
}

}  // namespace

int tree_remove_at(int dirfd, const char* name) noexcept {
    try {
        struct stat st;
        if (retryOnEintr([&] { return fstatat(dirfd, name, &st, AT_SYMLINK_NOFOLLOW); }) != 0)
            return errno == ENOENT ? 0 : -1;
        if (!S_ISDIR(st.st_mode)) {
            int r = retryOnEintr([&] { return unlinkat(dirfd, name, 0); });
            return r == 0 || errno == ENOENT ? 0 : -1;
        }
        int fd = enterChecked(dirfd, name, st);
        if (fd < 0)
            return errno == ENOENT ? 0 : -1;
        FdOwner dir = FdOwner::adopt(fd);
        if (emptyDirectory(dir.get()) != 0)
            return -1;
        int r = retryOnEintr([&] { return unlinkat(dirfd, name, AT_REMOVEDIR); });
        return r == 0 || errno == ENOENT ? 0 : -1;
    } catch (const std::bad_alloc&) {
        errno = ENOMEM;
        return -1;
    }
}

}  // namespace mail
}  // namespace quarn
