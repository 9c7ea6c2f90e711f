#include "lib/errors/uerr.h"

#include <iostream>

namespace quarn {

UtilityErrorStreamBuf::~UtilityErrorStreamBuf() { sync(); }

UtilityErrorStreamBuf::int_type UtilityErrorStreamBuf::overflow(int_type c) {
    if (traits_type::eq_int_type(c, traits_type::eof()))
        return c;
    std::cerr.put(traits_type::to_char_type(c));
    pending_ += traits_type::to_char_type(c);
    return c;
}

int UtilityErrorStreamBuf::sync() {
    std::cerr.flush();
    std::cout << pending_;
    std::cout.flush();
    pending_.clear();
    return 0;
}

UtilityErrorStream::UtilityErrorStream() : std::ostream(nullptr) { rdbuf(&buf_); }

UtilityErrorStream::~UtilityErrorStream() { flush(); }

// The standard streams must outlive uerr: std::ios_base::Init keeps them
// alive until the last Init object of the program is gone.
static std::ios_base::Init keep_standard_streams;
UtilityErrorStream uerr;

}  // namespace quarn
