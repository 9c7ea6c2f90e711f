// The working directory of the process, changed for one operation and given
// back on every way out of it.
#ifndef QUARN_LIB_UTIL_WORKING_DIR_GUARD_H
#define QUARN_LIB_UTIL_WORKING_DIR_GUARD_H

#include <string>

namespace quarn {

/// Remembers the current directory by name (getcwd with a 4096-byte buffer,
/// the limit the callers document) and changes back in the destructor with
/// errno preserved.
class WorkingDirGuard {
public:
    /// Throws nothing: check ok(); when getcwd failed errno tells why and
    /// the destructor does nothing.
    WorkingDirGuard() noexcept;
    WorkingDirGuard(const WorkingDirGuard&) = delete;
    WorkingDirGuard& operator=(const WorkingDirGuard&) = delete;
    ~WorkingDirGuard();

    bool ok() const noexcept { return saved_; }
    /// The directory to go back to.
    const std::string& path() const noexcept { return path_; }
    /// Changes back now; 0 or -1 with errno. Later calls and the destructor
    /// do nothing.
    int restore() noexcept;

private:
    std::string path_;
    bool saved_ = false;
};

}  // namespace quarn

#endif
