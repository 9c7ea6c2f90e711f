#include "mail/lib/dir_handle.h"

#include <cerrno>

namespace quarn {
namespace mail {

void DirCloser::operator()(DIR* dir) const {
    int saved = errno;
    closedir(dir);
    errno = saved;
}

}  // namespace mail
}  // namespace quarn
