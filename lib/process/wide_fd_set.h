// Descriptor sets for select(2) that hold 16384 descriptors instead of the
// 1024 of fd_set: a process run by the panel may already hold many.
#ifndef QUARN_LIB_PROCESS_WIDE_FD_SET_H
#define QUARN_LIB_PROCESS_WIDE_FD_SET_H

#include <sys/select.h>

#include <climits>
#include <cstddef>

namespace quarn {
namespace process {

/// A select(2) descriptor set of WideFdSet::Size descriptors.
class WideFdSet {
public:
    static constexpr int Size = 16384;

    WideFdSet() noexcept { clear(); }

    /// Adds `fd`; a descriptor outside the set throws std::out_of_range.
    void set(int fd);
    void unset(int fd) noexcept;
    bool isSet(int fd) const noexcept;
    void clear() noexcept;
    /// The set in the form select(2) takes.
    fd_set* native() noexcept { return reinterpret_cast<fd_set*>(bits_); }

private:
    static constexpr int WordBits = sizeof(unsigned long) * CHAR_BIT;
    unsigned long bits_[Size / WordBits];
};

/// select(2) over wide sets, any of them may be null; EINTR repeats the call.
/// Failure throws the system error `step`. Returns the count of ready ones.
int selectWide(int nfds, WideFdSet* readSet, WideFdSet* writeSet, const char* step);

}  // namespace process
}  // namespace quarn

#endif
