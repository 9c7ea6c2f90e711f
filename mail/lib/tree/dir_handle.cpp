#include "mail/lib/tree/dir_handle.h"

#include <cerrno>
#include <cstring>

#include "lib/util/fd_owner.h"
#include "mail/lib/tree/tree_dir.h"

namespace quarn {
namespace mail {

void DirCloser::operator()(DIR* dir) const {
    int saved = errno;
    closedir(dir);
    errno = saved;
}

DirHandle openDirAt(int dirfd, const char* name) {
    int fd = tree_open_dir_at(dirfd, name);
    if (fd < 0)
        return DirHandle();
    DIR* dir = fdopendir(fd);
    if (!dir) {
        int saved = errno;
        process::closeDescriptor(fd);
        errno = saved;
    }
    return DirHandle(dir);
}

bool isDotOrDotDot(const char* name) {
    return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

}  // namespace mail
}  // namespace quarn
