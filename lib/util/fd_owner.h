// Descriptor guards: the one owner of every descriptor that the system opens,
// and a pair of them for the two ends of a pipe.
#ifndef QUARN_LIB_UTIL_FD_OWNER_H
#define QUARN_LIB_UTIL_FD_OWNER_H

#include <sys/types.h>

#include <string>

namespace quarn {
namespace process {

/// close(2) with the EINTR rule of this system; returns close's result.
int closeDescriptor(int fd) noexcept;

/// open(2) repeated on EINTR; returns the descriptor or -1 with errno.
int openDescriptor(const char* path, int flags, mode_t mode = 0) noexcept;

/// A descriptor in use and, when this object opened it, owned: an owned
/// descriptor is closed by the owner, a borrowed one never.
class FdOwner {
public:
    /// Empty: both descriptors are -1.
    FdOwner() noexcept {}
    /// Takes `fd` over: it is used and closed by this object.
    static FdOwner adopt(int fd) noexcept;
    /// Uses `fd` of somebody else without ever closing it.
    static FdOwner borrow(int fd) noexcept;
    /// Opens `path` (EINTR repeated); failure throws the system error `step`.
    static FdOwner open(const char* path, int flags, mode_t mode, const std::string& step);

    FdOwner(FdOwner&& other) noexcept;
    FdOwner& operator=(FdOwner&& other) noexcept;
    FdOwner(const FdOwner&) = delete;
    FdOwner& operator=(const FdOwner&) = delete;
    /// Closes an owned descriptor quietly, keeping errno.
    ~FdOwner();

    /// The descriptor in use, -1 when empty.
    int get() const noexcept { return used_; }
    /// The descriptor that this object will close, -1 when borrowed or empty.
    int owned() const noexcept { return owned_; }
    bool empty() const noexcept { return used_ < 0; }
    explicit operator bool() const noexcept { return used_ >= 0; }

    /// Closes an owned descriptor and empties the object; failure throws the
    /// system error `step` (the object is empty all the same).
    void close(const std::string& step = "close");
    /// Like close() but never throws: 0, or -1 with errno set by close(2).
    int tryClose() noexcept;
    /// Like close() but never throws and keeps errno; returns false on failure.
    bool closeQuietly() noexcept;
    /// Gives the descriptor up without closing it; the object becomes empty.
    int release() noexcept;

private:
    FdOwner(int used, int owned) noexcept : used_(used), owned_(owned) {}

    int used_ = -1;
    int owned_ = -1;
};

/// The two ends of one pipe, each with its own owner.
class PipeOwner {
public:
    /// Creates the pipe; failure throws the system error `step`.
    void create(const std::string& step = "pipe");

    FdOwner& readEnd() noexcept { return read_; }
    FdOwner& writeEnd() noexcept { return write_; }
    const FdOwner& readEnd() const noexcept { return read_; }
    const FdOwner& writeEnd() const noexcept { return write_; }

private:
    FdOwner read_;
    FdOwner write_;
};

}  // namespace process
}  // namespace quarn

#endif
