// A scratch output file that is deleted with its stream.
#ifndef QUARN_LIB_UTIL_AUTOCLEAN_OFSTREAM_H
#define QUARN_LIB_UTIL_AUTOCLEAN_OFSTREAM_H

#include <fstream>
#include <string>

namespace quarn {

/// An std::ofstream whose file is removed by the destructor on every way
/// out, keeping errno. A file that could not be opened is left alone, since
/// this stream did not create it.
class AutocleanOFStream : public std::ofstream {
public:
    explicit AutocleanOFStream(const std::string& path,
                               std::ios_base::openmode mode = std::ios_base::out |
                                                              std::ios_base::trunc);
    AutocleanOFStream(const AutocleanOFStream&) = delete;
    AutocleanOFStream& operator=(const AutocleanOFStream&) = delete;
    ~AutocleanOFStream() override;

    const std::string& path() const noexcept { return path_; }

private:
    std::string path_;
    bool opened_;
};

}  // namespace quarn

#endif
