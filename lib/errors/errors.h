// Exception classes of the common library: system call failures and
// features this system does not provide.
#ifndef QUARN_LIB_ERRORS_ERRORS_H
#define QUARN_LIB_ERRORS_ERRORS_H

#include <stdexcept>
#include <string>

namespace quarn {

/// A request for something this system does not provide.
class NotSupportedError : public std::runtime_error {
public:
    explicit NotSupportedError(const std::string& what);
    ~NotSupportedError() override;
};

/// A failed system call: a message and the errno it left.
class SystemError : public std::runtime_error {
public:
    /// An error of 0 stands for the current errno.
    explicit SystemError(const std::string& message, int error = 0);
    ~SystemError() override;

    /// "message: strerror(error)", or just the system's text without a message.
    const char* what() const noexcept override;
    int error() const noexcept { return error_; }
    const std::string& message() const noexcept { return message_; }

private:
    std::string message_;
    int error_;
    mutable std::string text_;
};

/// A SystemError that can be caught by its errno alone.
template <int N>
class ExSystemError : public SystemError {
public:
    explicit ExSystemError(const std::string& message) : SystemError(message, N) {}
    ~ExSystemError() override {}
};

/// Throws the ExSystemError of `error` where there is one (EPERM, ENOENT,
/// EINTR, ECHILD, EAGAIN), a plain SystemError otherwise.
[[noreturn]] void throwSystemError(const std::string& message, int error);

}  // namespace quarn

#endif
