// Whole lines of a descriptor, for the line editing of small files.
#ifndef QUARN_LIB_UTIL_LINE_READER_H
#define QUARN_LIB_UTIL_LINE_READER_H

#include <unistd.h>

#include <cstddef>
#include <cstring>
#include <string>

#include "lib/util/eintr.h"

namespace quarn {

// The read buffer: a longer line arrives in pieces.
const std::size_t LINE_READER_BUFFER_SIZE = 4095;

// Whole lines of a descriptor, read LINE_READER_BUFFER_SIZE bytes at a time. A line
// longer than the buffer comes in several reads and is put together before
// it is compared, so that the equal, prefix, suffix and contains tests always
// see the whole line: memory grows with the longest line, which in these
// small files is short, and no match can straddle two pieces.
class LineReader {
public:
    explicit LineReader(int fd) : fd_(fd) {}

    // 1 with the next line (its line feed kept; the last one may lack it),
    // 0 at the end of the file, -1 with errno when reading fails.
    int next(std::string& line) {
        line.clear();
        for (;;) {
            if (start_ == end_) {
                ssize_t n = fill();
                if (n < 0)
                    return -1;
                if (n == 0)
                    return line.empty() ? 0 : 1;
            }
            const char* begin = buffer_ + start_;
            const void* feed = std::memchr(begin, '\n', end_ - start_);
            std::size_t take =
                feed ? static_cast<const char*>(feed) - begin + 1 : end_ - start_;
            line.append(begin, take);
            start_ += take;
            if (feed)
                return 1;
        }
    }

private:
    // Reads the next piece; its size, 0 at the end, -1 with errno.
    ssize_t fill() {
        ssize_t n = retryOnEintr([this] { return read(fd_, buffer_, sizeof buffer_); });
        start_ = 0;
        end_ = n > 0 ? n : 0;
        return n;
    }

    int fd_;
    char buffer_[LINE_READER_BUFFER_SIZE];
    std::size_t start_ = 0;
    std::size_t end_ = 0;
};

}  // namespace quarn

#endif
