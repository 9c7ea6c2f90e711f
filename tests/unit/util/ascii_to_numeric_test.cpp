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

TEST(ASCIIToNumeric, AcceptsDecimalWithBlanksAndPlus) {
    EXPECT_EQ(24, parse16("24").value);
    EXPECT_TRUE(parse16(" \t+ 24 \r\n").ok);
    EXPECT_EQ(24, parse16(" \t+ 24 \r\n").value);
    EXPECT_EQ(0, parse16("0").value);
    EXPECT_EQ(65535, parse16("65535").value);
    EXPECT_EQ(7, parse16("0007").value);
}

TEST(ASCIIToNumeric, PlusFollowedOnlyByBlanksIsZero) {
    Parsed p = parse16("+  ");
    EXPECT_TRUE(p.ok);
    EXPECT_EQ(0, p.value);
}

TEST(ASCIIToNumeric, RejectsMalformedTextAndLeavesOutputAlone) {
    for (const char* text : {"", "   ", "+", " +", "-1", "- 1", "24x", "2 4", "x24", "0x10",
                             "++1", "+-1", "1.5", "\v1"}) {
        Parsed p = parse16(text);
        EXPECT_FALSE(p.ok) << '"' << text << '"';
        EXPECT_EQ(7777, p.value) << '"' << text << '"';
    }
}

TEST(ASCIIToNumeric, OverflowSetsERANGE) {
    errno = 0;
    EXPECT_FALSE(parse16("65536").ok);
    EXPECT_EQ(ERANGE, errno);
    errno = 0;
    EXPECT_FALSE(parse16("655350").ok);
    EXPECT_EQ(ERANGE, errno);
    errno = 0;
    EXPECT_FALSE(parse16("99999999999999999999").ok);
    EXPECT_EQ(ERANGE, errno);
}

TEST(ASCIIToNumeric, WiderTargets) {
    uint32_t value = 0;
    EXPECT_TRUE(Util::ASCIIToNumeric(std::string("4294967295"), value));
    EXPECT_EQ(4294967295u, value);
    EXPECT_FALSE(Util::ASCIIToNumeric(std::string("4294967296"), value));
}

}  // namespace
