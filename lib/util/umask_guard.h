// The process umask, set for one operation and given back on every way out.
#ifndef QUARN_LIB_UTIL_UMASK_GUARD_H
#define QUARN_LIB_UTIL_UMASK_GUARD_H

#include <sys/stat.h>
#include <sys/types.h>

namespace quarn {

class UmaskGuard {
public:
    explicit UmaskGuard(mode_t mask) noexcept : old_(::umask(mask)) {}
    UmaskGuard(const UmaskGuard&) = delete;
    UmaskGuard& operator=(const UmaskGuard&) = delete;
    ~UmaskGuard() { ::umask(old_); }

    mode_t old() const noexcept { return old_; }

private:
    mode_t old_;
};

}  // namespace quarn

#endif
