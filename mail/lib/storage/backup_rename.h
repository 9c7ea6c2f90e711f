// Moving a mail directory aside instead of deleting it.
#ifndef QUARN_MAIL_LIB_STORAGE_BACKUP_RENAME_H
#define QUARN_MAIL_LIB_STORAGE_BACKUP_RENAME_H

#include <boost/filesystem/path.hpp>

namespace quarn {
namespace mail {

/// The backup name of `path`: its text, ".QuarnSaved." and its inode number.
boost::filesystem::path backupName(const boost::filesystem::path& path, unsigned long long inode);

/// Renames `path` to its backup name, stored in `backupPath`. A missing path
/// (ENOENT, ENOTDIR) sets `backupPath` empty and returns true; another stat
/// failure returns false with errno set; a failed rename throws the
/// filesystem library's error naming both paths.
bool backupRename(const boost::filesystem::path& path, boost::filesystem::path& backupPath);

}  // namespace mail
}  // namespace quarn

#endif
