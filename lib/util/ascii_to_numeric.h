// Strict decimal parsing of option values: unlike strtoul, a sign, trailing
// garbage or an overflow make the whole text invalid.
#ifndef QUARN_LIB_UTIL_ASCII_TO_NUMERIC_H
#define QUARN_LIB_UTIL_ASCII_TO_NUMERIC_H

#include <cerrno>
#include <cstdint>
#include <limits>
#include <string>
#include <type_traits>

namespace Util {

/// Reads the run of decimal digits at `p` (before `end`) into `value`; `p`
/// ends after the digits read. False when there is no digit, or with errno
/// ERANGE (and `p` on the digit that overflowed) when the number passes
/// `max`. No sign and no blanks: the callers decide about those.
inline bool readDecimalDigits(const char*& p, const char* end, uint64_t max, uint64_t& value) {
    const char* start = p;
    uint64_t v = 0;
    for (; p < end && *p >= '0' && *p <= '9'; ++p) {
        const unsigned digit = static_cast<unsigned>(*p - '0');
        if (v > (max - digit) / 10) {
            errno = ERANGE;
            return false;
        }
        v = v * 10 + digit;
    }
    value = v;
    return p > start;
}

namespace detail {

inline bool isNumericBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

inline std::string::size_type skipNumericBlanks(const std::string& text,
                                                std::string::size_type i) {
    while (i < text.size() && isNumericBlank(text[i]))
        ++i;
    return i;
}

}  // namespace detail

/// Reads an unsigned decimal number surrounded by optional blanks (space,
/// tab, line feed, carriage return), with an optional "+" in front.  A "+"
/// followed only by blanks reads as 0.  On overflow errno becomes ERANGE.
/// `out` is set only when the text is valid.
template <typename T>
bool ASCIIToNumeric(const std::string& text, T& out) {
    static_assert(std::is_unsigned<T>::value, "unsigned targets only");
    const T max = std::numeric_limits<T>::max();

    std::string::size_type i = detail::skipNumericBlanks(text, 0);
    if (i == text.size() || text[i] == '-')
        return false;
    if (text[i] == '+') {
        if (++i == text.size())
            return false;
        i = detail::skipNumericBlanks(text, i);
        if (i == text.size()) {
            out = 0;
            return true;
        }
    }
    const char* p = text.data() + i;
    const char* end = text.data() + text.size();
    uint64_t value = 0;
    if (!readDecimalDigits(p, end, max, value))
        return false;
    if (detail::skipNumericBlanks(text, p - text.data()) != text.size())
        return false;
    out = static_cast<T>(value);
    return true;
}

}  // namespace Util

#endif
