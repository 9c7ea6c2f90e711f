// Network entries of Postfix's mynetworks list: IPv4 and IPv6 networks,
// their list form, parsing of list elements and address comparison.
#ifndef QUARN_LIB_NET_IP_ADDR_H
#define QUARN_LIB_NET_IP_ADDR_H

#include <cstdint>
#include <string>
#include <variant>

namespace Network {

/// An IPv4 network: a dotted quad kept as given and a prefix length.
class IPv4Addr {
public:
    /// Stores both unchanged; no validation.
    IPv4Addr(const std::string& address, uint16_t prefix) : address_(address), prefix_(prefix) {}
    /// The prefix is the mask's bits down to its lowest set bit (255.255.255.0
    /// gives 24); an all-zero or unparsable mask gives 0.
    IPv4Addr(const std::string& address, const std::string& netmask);

    const std::string& address() const noexcept { return address_; }
    uint16_t prefix() const noexcept { return prefix_; }
    /// The prefix as a dotted-quad mask (24 gives 255.255.255.0).
    std::string netmask() const;
    /// True for addresses in 127/8, judged by the text.
    bool isLocal() const;
    /// "address/prefix"; the prefix is always written, also 0.
    std::string to_string() const;

private:
    std::string address_;
    uint16_t prefix_;
};

/// An IPv6 network: the address kept as given (no brackets) and a prefix.
class IPv6Addr {
public:
    IPv6Addr(const std::string& address, uint16_t prefix) : address_(address), prefix_(prefix) {}

    const std::string& address() const noexcept { return address_; }
    uint16_t prefix() const noexcept { return prefix_; }
    /// "address/prefix".
    std::string to_string() const;
    /// "[address]/prefix": the form Postfix needs in main.cf lists.
    std::string to_quoted_string() const;

private:
    std::string address_;
    uint16_t prefix_;
};

/// One element of an address list: an IPv4 network, an IPv6 network, or any
/// other text (a host name, a map name) kept as it is.
class IPAnyAddr {
public:
    /// IPv6 when `text` holds a ":", else IPv4; no validation.
    IPAnyAddr(const std::string& text, uint16_t prefix);
    /// Parses a list element such as 192.168.0.0/16 or [::1]/128.
    explicit IPAnyAddr(const std::string& text);

    /// AF_INET, AF_INET6, or 0 for plain text.
    int family() const;
    std::string to_string() const;
    /// The list form of main.cf: IPv6 in brackets; IPv4 and text as to_string.
    std::string to_quoted_string() const;
    /// The address without a prefix; plain text whole.
    std::string addr_string() const;
    /// Same family and same address, the prefix ignored; IPv4 and IPv6 are
    /// compared as binary addresses (::1 equals 0:0:0:0:0:0:0:1).
    bool addr_eq(const IPAnyAddr& other) const;
    /// A network Postfix can read: an address that converts for its family
    /// and a prefix within its width. Plain text never is.
    bool isValidNetwork() const;

    const std::variant<IPv4Addr, IPv6Addr, std::string>& value() const noexcept { return value_; }

private:
    std::variant<IPv4Addr, IPv6Addr, std::string> value_;
};

/// A bare loopback address: text beginning with "127.", ::1, or an
/// IPv4-mapped 127.x.x.x.
bool isLoopbackIP(const std::string& text);

}  // namespace Network

#endif
