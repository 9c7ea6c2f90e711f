#include "mail/lib/quota/get_dir_size.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <boost/filesystem/path.hpp>

#include <cerrno>
#include <string>

#include "lib/util/fd_owner.h"
#include "lib/util/working_dir_guard.h"
#include "mail/lib/tree/dir_handle.h"
#include "mail/lib/tree/tree_dir.h"

namespace {

// Apparent size, or allocated 512-byte blocks.
sizequota_t sizeOf(const struct stat& st, int in_blocks) {
    return in_blocks ? static_cast<sizequota_t>(st.st_blocks) * 512 : st.st_size;
}

// Changes into the directory `name` that lstat found as `st`. Opened
// without following links and checked against `st`, so that a directory
// swapped for a link meanwhile never leads the count elsewhere.
bool enter(int parent, const char* name, const struct stat& st) {
    quarn::process::FdOwner dir =
        quarn::process::FdOwner::adopt(quarn::mail::tree_open_dir_at(parent, name));
    struct stat opened;
    if (!dir || fstat(dir.get(), &opened) != 0)
        return false;
    if (opened.st_dev != st.st_dev || opened.st_ino != st.st_ino) {
        errno = ESTALE;
        return false;
    }
    return fchdir(dir.get()) == 0;
}

// The entries of the current directory, subdirectories visited by changing
// into them and back through this directory's own descriptor. An entry
// that vanished while counting is passed over: mail directories change all
// the time. Any other failure makes the whole count fail.
sizequota_t currentDirSize(int in_blocks) {
    quarn::mail::DirHandle dir(opendir("."));
    if (!dir)
        return -1;
    sizequota_t total = 0;
    errno = 0;
    while (const struct dirent* entry = readdir(dir.get())) {
        if (quarn::mail::isDotOrDotDot(entry->d_name))
            continue;
        struct stat st;
        if (lstat(entry->d_name, &st) != 0) {
            if (errno != ENOENT)
                return -1;
            errno = 0;
            continue;
        }
        total += sizeOf(st, in_blocks);
        if (S_ISDIR(st.st_mode)) {
            if (!enter(AT_FDCWD, entry->d_name, st)) {
                if (errno != ENOENT)
                    return -1;
                errno = 0;
                continue;
            }
            sizequota_t inner = currentDirSize(in_blocks);
            int error = errno;
            if (fchdir(dirfd(dir.get())) != 0)
                return -1;
            if (inner < 0) {
                errno = error;
                return -1;
            }
            total += inner;
        }
        errno = 0;
    }
    return errno == 0 ? total : -1;
}

}  // namespace

// The directory that holds `path` is reached through the tree walk, so no
// component on the way is followed either.
sizequota_t get_dir_size(const char* path, int in_blocks) {
    const boost::filesystem::path whole(path);
    const std::string dir = whole.has_parent_path() ? whole.parent_path().string() : ".";
    quarn::mail::TreeDir parent = quarn::mail::TreeDir::openPath(dir);
    const std::string name = whole.filename().string();
    struct stat st;
    if (!parent.ok() || parent.stat(name, st) != 0)
        return -1;
    if (!S_ISDIR(st.st_mode))
        return sizeOf(st, in_blocks);
    quarn::WorkingDirGuard cwd;
    if (!cwd.ok())
        return -1;
    sizequota_t inner = enter(parent.fd(), name.c_str(), st) ? currentDirSize(in_blocks) : -1;
    int error = errno;
    if (cwd.restore() != 0)
        return -1;
    if (inner < 0) {
        errno = error;
        return -1;
    }
    return sizeOf(st, in_blocks) + inner;
}
