#include "lib/net/ip_addr.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstring>

#include <boost/regex.hpp>

#include "lib/util/ascii_to_numeric.h"

namespace Network {

namespace {

// Compiled once, at program start.
const boost::regex IPV4_ELEMENT(R"((\d{1,3}\.\d{1,3}\.\d{1,3}\.\d{1,3})/?(\d{0,2}))");
const boost::regex IPV6_ELEMENT(R"(\[?([0-9a-fA-F:]+)\]?/?(\d{0,3}))");

/// The prefix group of a pattern; an empty group reads as 0.
uint16_t prefixOf(const boost::ssub_match& group) {
    uint16_t prefix = 0;
    Util::ASCIIToNumeric(group.str(), prefix);
    return prefix;
}

std::variant<IPv4Addr, IPv6Addr, std::string> parseElement(const std::string& text) {
    boost::smatch m;
    if (boost::regex_match(text, m, IPV4_ELEMENT))
        return IPv4Addr(m[1].str(), prefixOf(m[2]));
    if (boost::regex_match(text, m, IPV6_ELEMENT))
        return IPv6Addr(m[1].str(), prefixOf(m[2]));
    return text;
}

/// The binary address of `text` in a zeroed 16-byte buffer; a failed
/// conversion leaves zeros.
void toBinary(int family, const std::string& text, unsigned char (&buffer)[16]) {
    std::memset(buffer, 0, sizeof buffer);
    inet_pton(family, text.c_str(), buffer);
}

bool converts(int family, const std::string& text) {
    unsigned char buffer[16];
    return inet_pton(family, text.c_str(), buffer) == 1;
}

}  // namespace

IPv4Addr::IPv4Addr(const std::string& address, const std::string& netmask)
    : address_(address), prefix_(0) {
    in_addr mask{};
    if (inet_pton(AF_INET, netmask.c_str(), &mask) != 1)
        return;
    uint32_t bits = ntohl(mask.s_addr);
    if (bits != 0)
        prefix_ = static_cast<uint16_t>(32 - __builtin_ctz(bits));
}

std::string IPv4Addr::netmask() const {
    const unsigned width = prefix_ > 32 ? 32 : prefix_;
    const uint32_t bits = width == 0 ? 0 : ~uint32_t(0) << (32 - width);
    in_addr mask{};
    mask.s_addr = htonl(bits);
    char text[INET_ADDRSTRLEN];
    return inet_ntop(AF_INET, &mask, text, sizeof text);
}

bool IPv4Addr::isLocal() const {
    return address_.compare(0, 4, "127.") == 0;
}

std::string IPv4Addr::to_string() const {
    return address_ + "/" + std::to_string(prefix_);
}

std::string IPv6Addr::to_string() const {
    return address_ + "/" + std::to_string(prefix_);
}

std::string IPv6Addr::to_quoted_string() const {
    return "[" + address_ + "]/" + std::to_string(prefix_);
}

IPAnyAddr::IPAnyAddr(const std::string& text, uint16_t prefix)
    : value_(text.find(':') != std::string::npos
                 ? std::variant<IPv4Addr, IPv6Addr, std::string>(IPv6Addr(text, prefix))
                 : std::variant<IPv4Addr, IPv6Addr, std::string>(IPv4Addr(text, prefix))) {}

IPAnyAddr::IPAnyAddr(const std::string& text) : value_(parseElement(text)) {}

int IPAnyAddr::family() const {
    switch (value_.index()) {
    case 0: return AF_INET;
    case 1: return AF_INET6;
    default: return 0;
    }
}

std::string IPAnyAddr::to_string() const {
    if (auto v4 = std::get_if<IPv4Addr>(&value_))
        return v4->to_string();
    if (auto v6 = std::get_if<IPv6Addr>(&value_))
        return v6->to_string();
    return std::get<std::string>(value_);
}

std::string IPAnyAddr::to_quoted_string() const {
    if (auto v6 = std::get_if<IPv6Addr>(&value_))
        return v6->to_quoted_string();
    return to_string();
}

std::string IPAnyAddr::addr_string() const {
    if (auto v4 = std::get_if<IPv4Addr>(&value_))
        return v4->address();
    if (auto v6 = std::get_if<IPv6Addr>(&value_))
        return v6->address();
    return std::get<std::string>(value_);
}

bool IPAnyAddr::addr_eq(const IPAnyAddr& other) const {
    if (family() != other.family())
        return false;
    if (addr_string() == other.addr_string())
        return true;
    if (family() == 0)
        return false;
    unsigned char mine[16], theirs[16];
    toBinary(family(), addr_string(), mine);
    toBinary(family(), other.addr_string(), theirs);
    return std::memcmp(mine, theirs, sizeof mine) == 0;
}

bool IPAnyAddr::isValidNetwork() const {
    if (auto v4 = std::get_if<IPv4Addr>(&value_))
        return v4->prefix() <= 32 && converts(AF_INET, v4->address());
    if (auto v6 = std::get_if<IPv6Addr>(&value_))
        return v6->prefix() <= 128 && converts(AF_INET6, v6->address());
    return false;
}

bool isLoopbackIP(const std::string& text) {
    if (text.compare(0, 4, "127.") == 0)
        return true;
    in6_addr address{};
    if (inet_pton(AF_INET6, text.c_str(), &address) != 1)
        return false;
    in6_addr mapped{};
    inet_pton(AF_INET6, "::ffff:127.0.0.1", &mapped);
    return IN6_IS_ADDR_LOOPBACK(&address) || std::memcmp(&address, &mapped, 13) == 0;
}

}  // namespace Network
