// The host's own name as the mail system knows it.
#ifndef QUARN_LIB_NAMES_HOST_NAME_H
#define QUARN_LIB_NAMES_HOST_NAME_H

#include <string>

namespace quarn {

/// The fully qualified host name, at most 64 characters: the kernel's host
/// name when it holds a dot, else the resolver's canonical name for it,
/// else the short name.
/// Empty when neither can be had.
std::string fullHostName();

}  // namespace quarn

#endif
