#include "mail/lib/storage/backup_rename.h"

#include <sys/stat.h>

#include <boost/filesystem/operations.hpp>

#include <cerrno>
#include <string>

#include "lib/util/eintr.h"

namespace quarn {
namespace mail {

boost::filesystem::path backupName(const boost::filesystem::path& path, unsigned long long inode) {
    return boost::filesystem::path(path.string() + ".QuarnSaved." + std::to_string(inode));
}

bool backupRename(const boost::filesystem::path& path, boost::filesystem::path& backupPath) {
    struct stat st;
    if (retryOnEintr([&] { return stat(path.c_str(), &st); }) != 0) {
        if (errno != ENOENT && errno != ENOTDIR)
            return false;
        backupPath.clear();
        return true;
    }
    backupPath = backupName(path, st.st_ino);
    boost::filesystem::rename(path, backupPath);
    return true;
}

}  // namespace mail
}  // namespace quarn
