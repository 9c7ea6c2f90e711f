#include "mail/lib/maildir_message_size.h"

#include <stdint.h>

#include <cstring>

namespace {

// The decimal number at `p` that ends the name or a ":"; `p` ends after
// the digits either way, so that the search goes on from there.
bool sizeAt(const char*& p, sizequota_t* size) {
    uint64_t value = 0;
    bool overflow = false;
    const char* start = p;
    for (; *p >= '0' && *p <= '9'; ++p) {
        unsigned digit = static_cast<unsigned>(*p - '0');
        if (value > (static_cast<uint64_t>(INT64_MAX) - digit) / 10)
            overflow = true;
        else if (!overflow)
            value = value * 10 + digit;
    }
    if (p == start || overflow || (*p != ':' && *p != '\0'))
        return false;
    *size = static_cast<sizequota_t>(value);
    return true;
}

}  // namespace

// Every ",S=" of the name is tried in turn: one that is not followed by a
// usable number (no digits, an overflow, another character after the
// digits) does not stop the search for a later one.
bool maildir_name_size(const char* name, sizequota_t* size) {
    for (const char* p = std::strstr(name, ",S="); p; p = std::strstr(p, ",S=")) {
        p += 3;
        if (sizeAt(p, size))
            return true;
    }
    return false;
}
