// A finished file put in place by one rename, so that readers see either the
// old file or the whole new one.
#ifndef QUARN_MAIL_LIB_FILES_SCRATCH_FILE_H
#define QUARN_MAIL_LIB_FILES_SCRATCH_FILE_H

#include <sys/types.h>

#include <string>

#include "lib/util/fd_owner.h"

namespace quarn {

/// A new file beside its target, named after it with "." and six random
/// characters; removed by the destructor unless commit() put it in place.
class ScratchFile {
public:
    ScratchFile() = default;
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
    ~ScratchFile();

    /// Creates the file with exactly the permissions `mode` allows after the
    /// umask (O_EXCL, no link followed). False with errno.
    bool create(const std::string& target, mode_t mode);
    /// Writes all of `text`; false with errno.
    bool write(const std::string& text);
    /// fsync and close; false with errno.
    bool finish();
    /// Renames the finished file over the target; false with errno.
    bool place();
    /// finish() and place(); on failure the destructor removes the file.
    bool commit() { return finish() && place(); }

    int fd() const noexcept { return fd_.get(); }
    const std::string& path() const noexcept { return path_; }

private:
    std::string target_;
    std::string path_;
    process::FdOwner fd_;
    bool placed_ = false;
};

}  // namespace quarn

#endif
