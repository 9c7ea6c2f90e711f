// Name rules shared by the front end and the layers that build paths and
// records from names.
#include "lib/names/name_rules.h"

#include <algorithm>

namespace quarn {

namespace {

bool isControl(unsigned char c) { return c < 0x20 || c == 0x7f; }

bool isLabelChar(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
        c == '-' || c == '_';
}

bool isValidLabel(const std::string& name, std::string::size_type begin,
                  std::string::size_type end)
{
    if (end <= begin || end - begin > 63)
        return false;
    return std::all_of(name.begin() + begin, name.begin() + end,
                       [](char c) { return isLabelChar(static_cast<unsigned char>(c)); });
}

}  // namespace

bool isValidDomainName(const std::string& name)
{
    if (name.empty() || name.size() > 253)
        return false;
    std::string::size_type begin = 0;
    for (;;) {
        auto dot = name.find('.', begin);
        auto end = dot == std::string::npos ? name.size() : dot;
        if (!isValidLabel(name, begin, end))
            return false;
        if (dot == std::string::npos)
            return true;
        begin = dot + 1;
    }
}

bool isValidMailname(const std::string& name)
{
    if (name.empty() || name.size() > 64 || name.find("..") != std::string::npos ||
        name == ".")
        return false;
    return std::none_of(name.begin(), name.end(), [](char ch) {
        auto c = static_cast<unsigned char>(ch);
        return isControl(c) || c == ' ' || c == '/' || c == '@' || c == ',' || c == ':';
    });
}

bool isValidAddress(const std::string& address)
{
    auto at = address.find('@');
    if (at == std::string::npos || address.find('@', at + 1) != std::string::npos)
        return false;
    if (at == 0)
        return false;
    bool localOk = std::none_of(address.begin(), address.begin() + at, [](char ch) {
        auto c = static_cast<unsigned char>(ch);
        return isControl(c) || c == ' ' || c == ',';
    });
    return localOk && isValidDomainName(address.substr(at + 1));
}

bool isSafePathComponent(const std::string& name)
{
    if (name.empty() || name == "." || name == "..")
        return false;
    return std::none_of(name.begin(), name.end(), [](char ch) {
        auto c = static_cast<unsigned char>(ch);
        return isControl(c) || c == '/';
    });
}

}  // namespace quarn
