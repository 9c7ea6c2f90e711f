// Writing to a child's input pipe without dying of SIGPIPE when the child
// has gone away before reading everything.
#ifndef QUARN_LIB_PROCESS_PIPE_WRITE_H
#define QUARN_LIB_PROCESS_PIPE_WRITE_H

#include <sys/types.h>

#include <cstddef>

namespace quarn {
namespace process {

/// One write(2); a reader that has gone gives -1 with EPIPE instead of the
/// signal. The signal mask and any SIGPIPE pending before are left as they were.
ssize_t writeWithoutSigpipe(int fd, const void* data, size_t size) noexcept;

}  // namespace process
}  // namespace quarn

#endif
