#include "lib/util/ascii_to_numeric.h"

#include <cerrno>
#include <cstdint>

#include <gtest/gtest.h>

namespace {

struct Parsed {
    bool ok;
    uint16_t value;
};

Parsed parse16(const std::string& text) {
    uint16_t value = 7777;
    bool ok = Util::ASCIIToNumeric(text, value);
    return {ok, value};
}

TEST(ASCIIToNumeric, Values) {
    struct Case {
        const char* text;
        bool ok;
        uint16_t want;  // 7777: left alone
        int error;      // errno after a failure, 0 for none set
    } cases[] = {
        {"24", true, 24, 0},
        {" \t+ 24 \r\n", true, 24, 0},
        {"0", true, 0, 0},
        {"65535", true, 65535, 0},
        {"0007", true, 7, 0},
        {"+  ", true, 0, 0},  // a plus followed only by blanks is zero
        {"65536", false, 7777, ERANGE},
        {"655350", false, 7777, ERANGE},
        {"99999999999999999999", false, 7777, ERANGE},
    };
    for (const Case& c : cases) {
        errno = 0;
        Parsed p = parse16(c.text);
        EXPECT_EQ(c.ok, p.ok) << '"' << c.text << '"';
        EXPECT_EQ(c.want, p.value) << '"' << c.text << '"';
        EXPECT_EQ(c.error, errno) << '"' << c.text << '"';
    }
}

TEST(ASCIIToNumeric, RejectsMalformedTextAndLeavesOutputAlone) {
    for (const char* text : {"", "   ", "+", " +", "-1", "- 1", "24x", "2 4", "x24", "0x10",
                             "++1", "+-1", "1.5", "\v1"}) {
        Parsed p = parse16(text);
        EXPECT_FALSE(p.ok) << '"' << text << '"';
        EXPECT_EQ(7777, p.value) << '"' << text << '"';
    }
}

}  // namespace
