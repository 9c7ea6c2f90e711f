#include "mail/lib/storage/backup_rename.h"

#include <sys/stat.h>

#include <cerrno>
#include <string>

#include "mail/lib/storage/fs_error.h"

namespace quarn {
namespace mail {

boost::filesystem::path backupName(const boost::filesystem::path& path, unsigned long long inode) {
    return boost::filesystem::path(path.string() + ".QuarnSaved." + std::to_string(inode));
}

bool backupRenameAt(const TreeDir& dir, const std::string& name, std::string& backup) {
    struct stat st;
    if (dir.stat(name, st) != 0) {
        if (errno != ENOENT && errno != ENOTDIR)
            return false;
        backup.clear();
        return true;
    }
    backup = backupName(name, st.st_ino).string();
    if (dir.rename(name, dir, backup) != 0)
        throw FSError("rename", dir.pathOf(name), dir.pathOf(backup), errno);
    return true;
}

bool backupRename(const boost::filesystem::path& path, boost::filesystem::path& backupPath) {
    TreeDir dir = TreeDir::openPath(path.has_parent_path() ? path.parent_path().string() : ".");
    std::string backup;
    if (!dir.ok()) {
        if (errno != ENOENT && errno != ENOTDIR)
            return false;
    } else if (!backupRenameAt(dir, path.filename().string(), backup)) {
        return false;
    }
    backupPath = backup.empty() ? boost::filesystem::path() : path.parent_path() / backup;
    return true;
}

}  // namespace mail
}  // namespace quarn
