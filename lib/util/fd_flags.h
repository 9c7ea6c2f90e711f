// Status and descriptor flags of open descriptors.
#ifndef QUARN_LIB_UTIL_FD_FLAGS_H
#define QUARN_LIB_UTIL_FD_FLAGS_H

#include <string>

namespace quarn {
namespace process {

/// Adds O_NONBLOCK; failure throws the system error `step`.
void setNonBlocking(int fd, const std::string& step);

/// Adds FD_CLOEXEC; failure throws the system error `step`.
void setCloseOnExec(int fd, const std::string& step);

}  // namespace process
}  // namespace quarn

#endif
