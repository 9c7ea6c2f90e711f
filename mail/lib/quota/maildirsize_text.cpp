#include "mail/lib/quota/maildirsize_text.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "lib/util/ascii_to_numeric.h"

sizequota_t maildirsize_size_limit(sizequota_t quota) {
    if (quota < 0)
        return 0;
    return quota == 0 ? 1 : quota;
}

int format_maildirsize(char* buffer, size_t size, sizequota_t size_limit, fcount_t count_limit,
                       sizequota_t usage, fcount_t count) {
    int n = std::snprintf(buffer, size, "%lldS,%lluC\n%12lld%12llu\n",
                          static_cast<long long>(size_limit),
                          static_cast<unsigned long long>(count_limit),
                          static_cast<long long>(usage), static_cast<unsigned long long>(count));
    if (n < 0 || static_cast<size_t>(n) >= size) {
        errno = EINVAL;
        return -1;
    }
    return n;
}

namespace {

// White space within one line: the line feed ends the line instead.
bool isBlank(char c) {
    return c != '\n' && std::isspace(static_cast<unsigned char>(c));
}

// The first character at or after `p` that is no blank.
const char* skipBlanks(const char* p, const char* end) {
    while (p < end && isBlank(*p))
        ++p;
    return p;
}

// An optional sign and its digits; the magnitude may not pass `max`.
bool readSigned(const char*& p, const char* end, uint64_t max, bool* negative, uint64_t* value) {
    *negative = p < end && *p == '-';
    if (p < end && (*p == '-' || *p == '+'))
        ++p;
    return Util::readDecimalDigits(p, end, max, *value);
}

}  // namespace

// Accepted are exactly "<digits>S" and "<digits>S,<digits>C": no sign (so
// no negative size or count), no blanks, nothing after the "S" or the "C",
// a size that fits a signed and a count that fits an unsigned 64-bit
// number. Anything else, a missing "C" after the comma included, is
// rejected.
bool parse_maildirsize_header(const char* line, size_t length, sizequota_t* size_limit,
                              fcount_t* count_limit) {
    const char* p = line;
    const char* end = line + length;
    uint64_t size = 0, count = 0;
    if (!Util::readDecimalDigits(p, end, INT64_MAX, size) || p == end || *p++ != 'S')
        return false;
    if (p != end) {
        if (*p++ != ',' || !Util::readDecimalDigits(p, end, UINT64_MAX, count) || p == end ||
            *p++ != 'C' || p != end)
            return false;
    }
    *size_limit = static_cast<sizequota_t>(size);
    *count_limit = count;
    return true;
}

// Leading white space is allowed (the written fields are right-aligned);
// the count may carry a minus sign, as the delivery agent writes for
// removed messages, and is then taken modulo 2^64 like the unsigned field
// it is summed into.
bool parse_maildirsize_line(const char* line, size_t length, sizequota_t* size, fcount_t* count) {
    const char* p = skipBlanks(line, line + length);
    const char* end = line + length;
    bool negative = false;
    uint64_t magnitude = 0;
    if (!readSigned(p, end, INT64_MAX, &negative, &magnitude))
        return false;
    sizequota_t s = negative ? -static_cast<sizequota_t>(magnitude)
                             : static_cast<sizequota_t>(magnitude);
    const char* gap = p;
    p = skipBlanks(p, end);
    if (p == gap || !readSigned(p, end, UINT64_MAX, &negative, &magnitude) || p != end)
        return false;
    *size = s;
    *count = negative ? 0 - magnitude : magnitude;
    return true;
}

bool parse_maildirsize(const char* text, size_t length, MaildirsizeContents* contents) {
    const char* end = text + length;
    const char* eol = static_cast<const char*>(std::memchr(text, '\n', length));
    if (!eol || !parse_maildirsize_header(text, eol - text, &contents->size_limit,
                                          &contents->count_limit)) {
        *contents = MaildirsizeContents();
        return false;
    }
    // Sums in unsigned arithmetic: deltas of both signs wrap as they do in
    // the delivery agent's own reading of the file.
    uint64_t size = 0, count = 0;
    for (const char* line = eol + 1; line < end; line = eol + 1) {
        eol = static_cast<const char*>(std::memchr(line, '\n', end - line));
        sizequota_t s;
        fcount_t c;
        if (!eol || !parse_maildirsize_line(line, eol - line, &s, &c))
            return false;
        size += static_cast<uint64_t>(s);
        count += c;
    }
    contents->size = static_cast<sizequota_t>(size);
    contents->count = count;
    return true;
}
