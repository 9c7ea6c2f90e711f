#include "lib/process/wide_fd_set.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "lib/errors/errors.h"

namespace quarn {
namespace process {

void WideFdSet::set(int fd) {
    if (fd < 0 || fd >= Size)
        throw std::out_of_range("descriptor " + std::to_string(fd) + " is beyond the select set");
    bits_[fd / WordBits] |= 1UL << (fd % WordBits);
}

void WideFdSet::unset(int fd) noexcept {
    if (fd >= 0 && fd < Size)
        bits_[fd / WordBits] &= ~(1UL << (fd % WordBits));
}

bool WideFdSet::isSet(int fd) const noexcept {
    return fd >= 0 && fd < Size && (bits_[fd / WordBits] & (1UL << (fd % WordBits)));
}

void WideFdSet::clear() noexcept { std::memset(bits_, 0, sizeof bits_); }

int selectWide(int nfds, WideFdSet* readSet, WideFdSet* writeSet, const char* step) {
    // select overwrites the sets, so every retry starts from the caller's.
    WideFdSet readCopy, writeCopy;
    for (;;) {
        if (readSet)
            readCopy = *readSet;
        if (writeSet)
            writeCopy = *writeSet;
        int n = ::select(nfds, readSet ? readCopy.native() : nullptr,
                         writeSet ? writeCopy.native() : nullptr, nullptr, nullptr);
        if (n >= 0) {
            if (readSet)
                *readSet = readCopy;
            if (writeSet)
                *writeSet = writeCopy;
            return n;
        }
        if (errno != EINTR)
            throw SystemError(step, errno);
    }
}

}  // namespace process
}  // namespace quarn
