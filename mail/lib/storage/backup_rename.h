// Moving a mail directory aside instead of deleting it.
#ifndef QUARN_MAIL_LIB_STORAGE_BACKUP_RENAME_H
#define QUARN_MAIL_LIB_STORAGE_BACKUP_RENAME_H

#include <boost/filesystem/path.hpp>

#include <string>

#include "mail/lib/tree/tree_dir.h"

namespace quarn {
namespace mail {

/// The backup name of `path`: its text, ".QuarnSaved." and its inode number.
boost::filesystem::path backupName(const boost::filesystem::path& path, unsigned long long inode);

/// Renames the entry `name` of `dir` to its backup name, stored in
/// `backupName` (the entry itself is looked at, never a link's target). A
/// missing entry (ENOENT, ENOTDIR) sets `backupName` empty and returns
/// true; another stat failure returns false with errno set; a failed rename
/// throws FSError("rename") naming both paths.
bool backupRenameAt(const TreeDir& dir, const std::string& name, std::string& backupName);

/// backupRenameAt of the last component of `path`, its directory reached
/// through TreeDir::openPath; a directory that is missing means nothing to
/// back up.
bool backupRename(const boost::filesystem::path& path, boost::filesystem::path& backupPath);

}  // namespace mail
}  // namespace quarn

#endif
