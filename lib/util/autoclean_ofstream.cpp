#include "lib/util/autoclean_ofstream.h"

#include <unistd.h>

#include <cerrno>

namespace quarn {

AutocleanOFStream::AutocleanOFStream(const std::string& path, std::ios_base::openmode mode)
    : std::ofstream(path, mode), path_(path), opened_(is_open()) {}

AutocleanOFStream::~AutocleanOFStream() {
    int saved = errno;
    // No exceptions from a destructor: a failed close here only matters for
    // a file that is about to go anyway.
    exceptions(std::ios_base::goodbit);
    if (is_open())
        close();
    if (opened_)
        unlink(path_.c_str());
    errno = saved;
}

}  // namespace quarn
