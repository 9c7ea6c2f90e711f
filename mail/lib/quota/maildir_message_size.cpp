#include "mail/lib/quota/maildir_message_size.h"

#include <stdint.h>

#include <cstring>

#include "lib/util/ascii_to_numeric.h"

namespace {

// The decimal number at `p` that ends the name or a ":". `p` moves past
// the digits read, so that the search goes on from there; an overflow
// stops it among them, which hold no ",S=" either.
bool sizeAt(const char*& p, sizequota_t* size) {
    uint64_t value = 0;
    if (!Util::readDecimalDigits(p, p + std::strlen(p), INT64_MAX, value) ||
        (*p != ':' && *p != '\0'))
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
