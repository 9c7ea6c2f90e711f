#include "mail/lib/tree/dir_handle.h"

#include <cerrno>
#include <cstring>

namespace quarn {
namespace mail {

void DirCloser::operator()(DIR* dir) const {
    int saved = errno;
    closedir(dir);
    errno = saved;
}

bool isDotOrDotDot(const char* name) {
    return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

}  // namespace mail
}  // namespace quarn
