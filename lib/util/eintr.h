// System calls repeated when a signal interrupts them.
#ifndef QUARN_LIB_UTIL_EINTR_H
#define QUARN_LIB_UTIL_EINTR_H

#include <cerrno>

namespace quarn {

/// Calls `call` again while it fails with EINTR; its last result, errno as
/// it left it.
template <typename Call>
auto retryOnEintr(Call call) -> decltype(call()) {
    decltype(call()) result;
    do
        result = call();
    while (result < 0 && errno == EINTR);
    return result;
}

}  // namespace quarn

#endif
