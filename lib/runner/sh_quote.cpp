#include "lib/runner/sh_quote.h"

#include <array>

namespace quarn {

namespace {

enum QuoteClass : unsigned char { Plain, Backslash, QuotedLineFeed };

constexpr std::array<unsigned char, 256> makeQuoteClasses() {
    std::array<unsigned char, 256> classes{};
    for (unsigned char c : "\t \"#$&'()*;<>?[\\`|~")
        classes[c] = Backslash;
    classes[0] = Plain;  // the string literal's terminator
    classes['\n'] = QuotedLineFeed;
    return classes;
}

// Indexed by the unsigned byte; bytes 0x80 to 0xFF are plain.
constexpr std::array<unsigned char, 256> QuoteClasses = makeQuoteClasses();

}  // namespace

std::string sh_quote(const std::string& word) {
    std::string quoted;
    quoted.reserve(word.size() * 2);
    for (char c : word) {
        switch (QuoteClasses[static_cast<unsigned char>(c)]) {
        case Backslash:
            quoted += '\\';
            quoted += c;
            break;
        case QuotedLineFeed:
            quoted += "'\n'";
            break;
        default:
            quoted += c;
        }
    }
    return quoted;
}

}  // namespace quarn
