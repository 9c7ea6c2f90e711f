#include "mail/postfix/tables/record_check.h"

#include <cstdio>

#include "mail/postfix/tables/postfix_errors.h"

namespace quarn::mail::postfix::record_check {

namespace {

/// The text with control bytes written as \n, \r or \xHH, for a message.
std::string printable(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (c < 0x20 || c == 0x7f) {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            out += hex;
        } else
            out += static_cast<char>(c);
    }
    return out;
}

bool hasLineBreak(const std::string& text) {
    return text.find_first_of("\r\n") != std::string::npos;
}

[[noreturn]] void refuse(const std::string& map, const std::string& key, const char* why) {
    throw PostfixDatabaseError("refused record \"" + printable(key) + "\" for " + map + ": " +
                               why);
}

}  // namespace

// A line feed would end the record early and start another one postmap
// reads as a record of its own; a leading blank continues the previous
// line; "#" starts a comment; "-" is postmap's name for its standard input.
void checkKey(const std::string& map, const std::string& key) {
    if (key.empty())
        refuse(map, key, "empty key");
    if (hasLineBreak(key))
        refuse(map, key, "line break in the key");
    if (key[0] == ' ' || key[0] == '\t')
        refuse(map, key, "key starts with a blank");
    if (key[0] == '#')
        refuse(map, key, "key starts with #");
    if (key == "-")
        refuse(map, key, "key is -");
}

void checkRecord(const std::string& map, const std::string& key, const std::string& value) {
    checkKey(map, key);
    if (value.empty())
        refuse(map, key, "empty value");
    if (hasLineBreak(value))
        refuse(map, key, "line break in the value");
}

}  // namespace quarn::mail::postfix::record_check
