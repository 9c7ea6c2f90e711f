#include "lib/errors/errors.h"

#include <cerrno>
#include <cstring>
#include <new>

namespace quarn {

NotSupportedError::NotSupportedError(const std::string& what)
    : std::runtime_error(what + " isn't supported") {}

NotSupportedError::~NotSupportedError() {}

SystemError::SystemError(const std::string& message, int error)
    : std::runtime_error(message), message_(message), error_(error ? error : errno) {}

SystemError::~SystemError() {}

const char* SystemError::what() const noexcept {
    if (!text_.empty())
        return text_.c_str();
    try {
        if (!message_.empty())
            text_ = message_ + ": ";
        text_ += std::strerror(error_);
        return text_.c_str();
    } catch (const std::bad_alloc&) {
        text_.clear();
        return message_.c_str();
    }
}

void throwSystemError(const std::string& message, int error) {
    switch (error) {
    case EPERM: throw ExSystemError<EPERM>(message);
    case ENOENT: throw ExSystemError<ENOENT>(message);
    case EINTR: throw ExSystemError<EINTR>(message);
    case ECHILD: throw ExSystemError<ECHILD>(message);
    case EAGAIN: throw ExSystemError<EAGAIN>(message);
    default: throw SystemError(message, error);
    }
}

}  // namespace quarn
