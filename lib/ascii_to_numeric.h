// Strict decimal parsing of option values: unlike strtoul, a sign, trailing
// garbage or an overflow make the whole text invalid.
#ifndef QUARN_LIB_ASCII_TO_NUMERIC_H
#define QUARN_LIB_ASCII_TO_NUMERIC_H

#include <cerrno>
#include <limits>
#include <string>
#include <type_traits>

namespace Util {

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
    if (text[i] < '0' || text[i] > '9')
        return false;

    T value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const T digit = static_cast<T>(text[i] - '0');
        if (value > (max - digit) / 10) {
            errno = ERANGE;
            return false;
        }
        value = static_cast<T>(value * 10 + digit);
    }
    if (detail::skipNumericBlanks(text, i) != text.size())
        return false;
    out = value;
    return true;
}

}  // namespace Util

#endif
