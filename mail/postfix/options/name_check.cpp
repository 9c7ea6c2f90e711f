#include "mail/postfix/options/name_check.h"

#include <stdexcept>

#include "lib/names/idn.h"
#include "lib/names/name_rules.h"

namespace quarn::mail::postfix {

// DNS names are case-insensitive and postmap folds table keys, so one
// domain is kept in one spelling from the front end on: lower case.
std::string foldDomainCase(std::string name) {
    for (char& c : name)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return name;
}

namespace {

bool isAscii(const std::string& text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

/// The ASCII form of a domain part in lower case; `whole` is what a
/// refusal names.
// An ASCII name that libidn refuses (a label too long, an empty label) is
// a name of the wrong form like any other; a non-ASCII one that cannot be
// converted keeps the conversion's own error.
std::string asciiDomain(const std::string& name, const std::string& whole) {
    try {
        return foldDomainCase(idn::toAscii(name));
    } catch (const idn::IdnaError&) {
        if (isAscii(name))
            throw std::invalid_argument(whole);
        throw;
    }
}

}  // namespace

std::string checkedDomainName(const std::string& name) {
    if (name.empty())
        throw std::invalid_argument(name);
    std::string ascii = asciiDomain(name, name);
    if (!isValidDomainName(ascii))
        throw std::invalid_argument(name);
    return ascii;
}

std::string checkedMailname(const std::string& name) {
    if (!isValidMailname(name))
        throw std::invalid_argument(name);
    return name;
}

std::string checkedAddress(const std::string& address) {
    std::string::size_type at = address.find('@');
    if (at == std::string::npos || at == 0 || at + 1 == address.size() ||
        address.find('@', at + 1) != std::string::npos)
        throw std::invalid_argument(address);
    std::string ascii = address.substr(0, at + 1) + asciiDomain(address.substr(at + 1), address);
    if (!isValidAddress(ascii))
        throw std::invalid_argument(address);
    return ascii;
}

}  // namespace quarn::mail::postfix
