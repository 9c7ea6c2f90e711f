// The file lock of this system: an exclusive flock that serialises every
// rewrite of one path (lookup tables, main.cf, master.cf, small files).
#ifndef QUARN_LIB_UTIL_MK_LOCK_H
#define QUARN_LIB_UTIL_MK_LOCK_H

#include <string>

#include "lib/util/fd_owner.h"

namespace quarn {

/// The directory of the lock files named by digest.
extern const char* const LOCK_FILES_DIR;

/// The lock file of `path`: LOCK_FILES_DIR, a slash and the MD5 digest of
/// `path` in 32 lower-case hex digits.
std::string mk_flock_path(const std::string& path);

/// Scoped exclusive flock on the lock file of a path; released by closing it.
/// The lock file itself stays.
class MKLock {
public:
    /// `useFileName` 1: `path` itself is the lock file, 0: mk_flock_path(path).
    /// `nonBlocking` 1: a lock held elsewhere throws std::runtime_error
    /// "lock(<path>) failed: file is already locked" instead of waiting.
    /// Other failures throw the system error "lock() failed". With 0, a
    /// missing LOCK_FILES_DIR is created (0755); one that is not a directory
    /// of this user closed to others is refused (EPERM). Links are not
    /// followed.
    explicit MKLock(const std::string& path, int useFileName = 0, int nonBlocking = 0);
    MKLock(const MKLock&) = delete;
    MKLock& operator=(const MKLock&) = delete;
    ~MKLock();

    /// Releases the lock now; a failing close throws the system error
    /// "unlock() failed". Later calls and the destructor do nothing.
    void unlock();

    /// In a forked child before exec: keeps the lock descriptor open across
    /// exec, so the lock stays held while the program runs, even after this
    /// process has died. Failure throws the system error "lock inherit fcntl".
    void inheritInChild() const;

    /// The file that holds the lock.
    const std::string& lockPath() const noexcept { return lockPath_; }

private:
    std::string lockPath_;
    process::FdOwner fd_;
};

}  // namespace quarn

#endif
