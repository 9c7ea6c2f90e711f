// The one way into popuser's mail tree as root: directories held by
// descriptors that were opened one path component at a time without
// following a link, and every change made relative to such a descriptor.
// popuser can swap any name in the tree for a link at any moment; a walk
// that never follows one cannot be led out of the tree, and what it holds
// stays the directory it checked.
#ifndef QUARN_MAIL_LIB_TREE_TREE_DIR_H
#define QUARN_MAIL_LIB_TREE_TREE_DIR_H

#include <sys/stat.h>
#include <sys/types.h>

#include <string>

#include "lib/util/fd_owner.h"

namespace quarn {
namespace mail {

/// openat(dirfd, name, O_DIRECTORY|O_NOFOLLOW), EINTR repeated: the
/// descriptor, or -1 with errno (ELOOP for a link, ENOTDIR for another
/// kind, EINVAL for a name that is not one safe path component).
int tree_open_dir_at(int dirfd, const char* name) noexcept;

/// A directory of the tree and its path (for messages only; never opened
/// by name again). Operations return 0 or -1 with errno, never throw, and
/// take single path components: "/" in a name, "" , "." and ".." are
/// refused with EINVAL.
class TreeDir {
public:
    /// Empty: ok() is false.
    TreeDir() = default;
    /// A directory root owns, opened by its configured path (links in it
    /// are the administrator's); empty with errno on failure.
    static TreeDir openTrusted(const std::string& path);
    /// `path` walked from the mail root (when it lies below it), from "/"
    /// or from the working directory, every component below the start
    /// opened without following a link; ".." is refused.
    static TreeDir openPath(const std::string& path);

    bool ok() const noexcept { return !fd_.empty(); }
    int fd() const noexcept { return fd_.get(); }
    const std::string& path() const noexcept { return path_; }
    /// The path of an entry, for messages.
    std::string pathOf(const std::string& name) const;

    /// The subdirectory `name`; empty with errno when it is not one.
    TreeDir child(const std::string& name) const;
    /// Several components ("Maildir/tmp") walked the same way.
    TreeDir walk(const std::string& relative) const;
    /// fstatat without following a link.
    int stat(const std::string& name, struct stat& st) const;
    /// mkdirat; an entry of that name already there is no error (the
    /// caller opens it as a directory next, which tells a link apart).
    int makeDir(const std::string& name, mode_t mode) const;
    /// fchown and fchmod of this directory itself (EINTR repeated).
    int setOwnerAndMode(uid_t uid, gid_t gid, mode_t mode) const;
    /// renameat from here to `to`; a link at either name is renamed or
    /// replaced itself, never followed.
    int rename(const std::string& from, const TreeDir& to, const std::string& toName) const;
    /// Removes the entry and, for a directory, everything below it,
    /// following no link (tree_remove_at). A missing entry is no error.
    int removeTree(const std::string& name) const;
    /// unlinkat of a non-directory.
    int unlink(const std::string& name) const;
    /// A regular file with one link, as open_plain_file_at.
    int openFile(const std::string& name, int flags, mode_t mode,
                 const struct stat* expected) const;
    /// fchdir into this directory.
    int changeInto() const;

private:
    TreeDir(process::FdOwner fd, std::string path) : fd_(std::move(fd)), path_(std::move(path)) {}

    process::FdOwner fd_;
    std::string path_;
};

/// chdir to `path` walked as TreeDir::openPath does; 0 or -1 with errno.
int tree_chdir(const char* path) noexcept;

}  // namespace mail
}  // namespace quarn

#endif
