#include "lib/util/working_dir_guard.h"

#include <unistd.h>

#include <cerrno>

namespace quarn {

WorkingDirGuard::WorkingDirGuard() noexcept {
    char buffer[4096];
    if (getcwd(buffer, sizeof buffer) == nullptr)
        return;
    try {
        path_ = buffer;
        saved_ = true;
    } catch (...) {
        errno = ENOMEM;
    }
}

WorkingDirGuard::~WorkingDirGuard() {
    int saved = errno;
    restore();
    errno = saved;
}

int WorkingDirGuard::restore() noexcept {
    if (!saved_)
        return 0;
    saved_ = false;
    return chdir(path_.c_str());
}

}  // namespace quarn
