// The temporary file a new maildirsize is written to before it is renamed
// into place.
#ifndef QUARN_MAIL_LIB_QUOTA_MAILDIRSIZE_TMP_H
#define QUARN_MAIL_LIB_QUOTA_MAILDIRSIZE_TMP_H

#include <limits.h>
#include <stddef.h>

#include "lib/util/fd_owner.h"

namespace quarn {
namespace mail {

/// Attempts at creating the temporary file, and the pause between them.
const int MAILDIRSIZE_TMP_ATTEMPTS = 5;
const unsigned MAILDIRSIZE_TMP_PAUSE = 2;

/// The temporary maildirsize in "tmp/" of the Maildir that is the current
/// directory; tmp/ is held by a descriptor opened without following a link
/// and the file is reached only relative to it. Until it has been renamed
/// into place its owner closes and unlinks it, so it never outlives a
/// failure; the owner must therefore go before the working directory
/// changes.
class MaildirsizeTmpFile {
public:
    MaildirsizeTmpFile() = default;
    MaildirsizeTmpFile(const MaildirsizeTmpFile&) = delete;
    MaildirsizeTmpFile& operator=(const MaildirsizeTmpFile&) = delete;
    /// Closes and unlinks a file not renamed into place, keeping errno.
    ~MaildirsizeTmpFile();

    /// Creates "tmp/<seconds>.<pid>.<host>-maildirsize", empty, mode 0644,
    /// in up to MAILDIRSIZE_TMP_ATTEMPTS attempts. False with errno after a
    /// message.
    bool create(const char* host);
    int fd() const noexcept { return fd_.get(); }
    const char* name() const noexcept { return name_; }
    /// Writes all of `text`; false with errno after a message.
    bool write(const char* text, size_t length);
    /// Flushes the file to disk and closes it; false with errno after a
    /// message.
    bool commit();
    /// Renames the closed file to `target`, which it then no longer owns;
    /// false with errno after a message.
    bool install(const char* target);

private:
    /// The file's name in tmp/.
    const char* base() const noexcept { return name_ + 4; }
    /// One attempt under the name of this moment: 1 created, 0 failed (and
    /// cleaned up), -1 with ENAMETOOLONG when the name cannot be formed.
    int attempt(const char* host);
    /// Closes and unlinks what the object holds, keeping errno.
    void discard() noexcept;

    process::FdOwner tmpDir_;
    process::FdOwner fd_;
    // "tmp/" and one file name.
    char name_[4 + NAME_MAX + 1] = "";
    bool linked_ = false;
};

}  // namespace mail
}  // namespace quarn

#endif
