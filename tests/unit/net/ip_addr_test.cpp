// Parsing, list forms and comparison of the networks of mynetworks.
#include "lib/net/ip_addr.h"

#include <sys/socket.h>

#include <iterator>
#include <vector>

#include <gtest/gtest.h>

namespace {

using Network::IPAnyAddr;
using Network::IPv4Addr;

TEST(IPAnyAddr, ParsesListElements) {
    struct Case {
        const char* text;
        int family;
        const char* addr;
        const char* plain;   // to_string()
        const char* quoted;  // to_quoted_string()
    } cases[] = {
        {"10.1.2.0/24", AF_INET, "10.1.2.0", "10.1.2.0/24", "10.1.2.0/24"},
        {"10.1.2.3", AF_INET, "10.1.2.3", "10.1.2.3/0", "10.1.2.3/0"},
        {"10.1.2.3/", AF_INET, "10.1.2.3", "10.1.2.3/0", "10.1.2.3/0"},
        {"999.1.2.3/8", AF_INET, "999.1.2.3", "999.1.2.3/8", "999.1.2.3/8"},
        {"[2001:db8::]/32", AF_INET6, "2001:db8::", "2001:db8::/32", "[2001:db8::]/32"},
        {"2001:db8::/32", AF_INET6, "2001:db8::", "2001:db8::/32", "[2001:db8::]/32"},
        {"[::1]/128", AF_INET6, "::1", "::1/128", "[::1]/128"},
        {"::1", AF_INET6, "::1", "::1/0", "[::1]/0"},
    };
    // Malformed: none of the patterns takes them whole, so they stay as text.
    std::vector<Case> all(std::begin(cases), std::end(cases));
    for (const char* text : {"10.1.2.0/240", "10.1.2/24", "10.1.2.0/24 ", "1234.1.2.0",
                             "::ffff:10.0.0.1", "[2001:db8::]/1280", "mail.example.com",
                             "hash:/var/spool/postfix/quarn/poplock", ""})
        all.push_back({text, 0, text, text, text});
    for (const Case& c : all) {
        IPAnyAddr a(c.text);
        EXPECT_EQ(c.family, a.family()) << c.text << ": family";
        EXPECT_EQ(c.addr, a.addr_string()) << c.text << ": addr_string";
        EXPECT_EQ(c.plain, a.to_string()) << c.text << ": to_string";
        EXPECT_EQ(c.quoted, a.to_quoted_string()) << c.text << ": to_quoted_string";
    }
}

TEST(IPAnyAddr, AddressAndPrefixGivenApart) {
    struct Case {
        const char* address;
        uint16_t prefix;
        const char* quoted;
        bool valid;
    } cases[] = {
        // Networks of both families, a bad prefix, a list, "name=" and a
        // line feed are taken or refused by --add-whitelist end to end.
        {"192.168.1.7", 32, "192.168.1.7/32", true},
        {"0.0.0.0", 0, "0.0.0.0/0", true},
        {"::1", 128, "[::1]/128", true},
        {"2001:db8::", 129, "[2001:db8::]/129", false},
        {"192.168.1", 24, "192.168.1/24", false},
        {"192.168.1.256", 24, "192.168.1.256/24", false},
        {"10.0.0.0 ", 8, "10.0.0.0 /8", false},
        {"2001:db8::\nx", 32, "[2001:db8::\nx]/32", false},
        {"[2001:db8::]", 32, "[[2001:db8::]]/32", false},
        {"example.com", 24, "example.com/24", false},
        {"", 0, "/0", false},
    };
    for (const Case& c : cases) {
        IPAnyAddr a(c.address, c.prefix);
        EXPECT_EQ(c.quoted, a.to_quoted_string()) << c.address;
        EXPECT_EQ(c.valid, a.isValidNetwork()) << c.address << "/" << c.prefix;
    }
    EXPECT_FALSE(IPAnyAddr("mail.example.com").isValidNetwork());
}

TEST(IPAnyAddr, AddrEq) {
    struct Case {
        const char* a;
        const char* b;
        bool want;
    } cases[] = {
        // Other prefixes and IPv6 spellings are one network for
        // --remove-whitelist end to end.
        {"10.0.0.0/8", "10.0.0.1/8", false},
        {"::1", "[0:0:0:0:0:0:0:1]/128", true},
        {"127.0.0.1", "::1", false},
        {"example.com", "example.com", true},
        {"example.com", "Example.com", false},
        {"hash:/a", "10.0.0.0/8", false},
        // Unconvertible texts of one family both read as zeros.
        {"999.0.0.0/8", "0.0.0.0/8", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.want, IPAnyAddr(c.a).addr_eq(IPAnyAddr(c.b)))
            << c.a << " vs " << c.b << ": got " << !c.want << ", want " << c.want;
}

TEST(IsLoopbackIP, Table) {
    struct Case {
        const char* text;
        bool want;
    } cases[] = {
        {"127.0.0.0/8", true},    {"127.", true},          {"::1", true},
        {"0:0:0:0:0:0:0:1", true}, {"::ffff:127.0.0.1", true}, {"::ffff:127.9.8.7", true},
        {"[::1]/128", false},     {"::1/128", false},      {"::ffff:10.0.0.1", false},
        {"10.0.0.1", false},      {"127", false},          {"", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.want, Network::isLoopbackIP(c.text)) << c.text;
}

TEST(IPv4Addr, NetmaskBothWays) {
    struct Case {
        const char* mask;
        uint16_t prefix;
        const char* back;  // netmask() of the prefix
    } cases[] = {
        {"255.255.255.0", 24, "255.255.255.0"},
        {"255.255.255.255", 32, "255.255.255.255"},
        {"255.0.0.0", 8, "255.0.0.0"},
        {"128.0.0.0", 1, "128.0.0.0"},
        {"0.0.0.0", 0, "0.0.0.0"},
        {"255.255.0.255", 32, "255.255.255.255"},  // down to the lowest set bit
        {"not a mask", 0, "0.0.0.0"},
    };
    for (const Case& c : cases) {
        IPv4Addr a("10.0.0.0", std::string(c.mask));
        EXPECT_EQ(c.prefix, a.prefix()) << c.mask;
        EXPECT_EQ(c.back, a.netmask()) << c.mask;
    }
    EXPECT_TRUE(IPv4Addr("127.0.0.1", 8).isLocal());
    EXPECT_FALSE(IPv4Addr("10.127.0.1", 8).isLocal());
}

}  // namespace
