// The error stream: every character goes to standard error at once and the
// whole text is repeated on standard output at each flush, because the panel
// reads either stream.
#ifndef QUARN_LIB_ERRORS_UERR_H
#define QUARN_LIB_ERRORS_UERR_H

#include <ostream>
#include <streambuf>
#include <string>

namespace quarn {

/// No put area: each character reaches overflow().
class UtilityErrorStreamBuf : public std::streambuf {
public:
    ~UtilityErrorStreamBuf() override;

protected:
    int_type overflow(int_type c) override;
    int sync() override;

private:
    std::string pending_;
};

class UtilityErrorStream : public std::ostream {
public:
    UtilityErrorStream();
    ~UtilityErrorStream() override;

private:
    UtilityErrorStreamBuf buf_;
};

/// The process-wide error stream of the front end and the managers.
extern UtilityErrorStream uerr;

}  // namespace quarn

#endif
