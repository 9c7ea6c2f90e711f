// The maildirsize text: limits written for a quota, the buffer of the
// written lines, and the grammar of the lines read back (whole files are
// read in maildirpp_usage_test).
#include "mail/lib/quota/maildirsize_text.h"

#include <cerrno>
#include <string>

#include <gtest/gtest.h>

namespace {

TEST(MaildirsizeSizeLimit, ZeroIsOneByteAndNegativeIsNoLimit) {
    struct Case {
        sizequota_t quota, want;
    } cases[] = {{-5, 0}, {-1, 0}, {0, 1}, {1, 1}, {1048576, 1048576}};
    for (const Case& c : cases)
        EXPECT_EQ(c.want, maildirsize_size_limit(c.quota))
            << "quota " << c.quota << ": got " << maildirsize_size_limit(c.quota) << ", want "
            << c.want;
}

TEST(FormatMaildirsize, TooSmallBufferIsEinval) {
    char buffer[12];
    errno = 0;
    EXPECT_EQ(-1, format_maildirsize(buffer, sizeof buffer, 1048576, 0, 2048, 3));
    EXPECT_EQ(EINVAL, errno);
}

struct HeaderCase {
    const char* name;
    std::string line;
    bool ok;
    sizequota_t size;
    fcount_t count;
};

using Parser = bool (*)(const char*, size_t, sizequota_t*, fcount_t*);

/// Each case through `parse`: accepted or not, and the numbers it gave.
template <size_t N>
void expectParsed(Parser parse, const HeaderCase (&cases)[N]) {
    for (const HeaderCase& c : cases) {
        sizequota_t size = -7;
        fcount_t count = 7;
        bool ok = parse(c.line.data(), c.line.size(), &size, &count);
        EXPECT_EQ(c.ok, ok) << c.name << ": got " << ok << ", want " << c.ok;
        if (c.ok && ok) {
            EXPECT_EQ(c.size, size) << c.name;
            EXPECT_EQ(c.count, count) << c.name;
        }
    }
}

TEST(ParseMaildirsizeHeader, TheTwoFormsOnly) {
    const HeaderCase cases[] = {
        {"size and count", "100S,5C", true, 100, 5},
        {"size only", "100S", true, 100, 0},
        {"no limits", "0S,0C", true, 0, 0},
        {"largest size", "9223372036854775807S", true, INT64_MAX, 0},
        {"largest count", "1S,18446744073709551615C", true, 1, UINT64_MAX},
        {"empty", "", false, 0, 0},
        {"no size digits", "S", false, 0, 0},
        {"no S", "100", false, 0, 0},
        {"count only", "100C", false, 0, 0},
        {"negative size", "-1S", false, 0, 0},
        {"signed size", "+1S", false, 0, 0},
        {"comma without count", "100S,", false, 0, 0},
        {"count without C", "100S,5", false, 0, 0},
        {"C without count", "100S,C", false, 0, 0},
        {"negative count", "100S,-5C", false, 0, 0},
        {"garbage after C", "100S,5Cx", false, 0, 0},
        {"garbage after S", "100Sx", false, 0, 0},
        {"leading blank", " 100S", false, 0, 0},
        {"trailing blank", "100S,5C ", false, 0, 0},
        {"carriage return", "100S,5C\r", false, 0, 0},
        {"size overflow", "9223372036854775808S", false, 0, 0},
        {"count overflow", "1S,18446744073709551616C", false, 0, 0},
    };
    expectParsed(parse_maildirsize_header, cases);
}

TEST(ParseMaildirsizeLine, TwoNumbersAndNothingElse) {
    const HeaderCase cases[] = {
        {"written form", "        2048           3", true, 2048, 3},
        {"one blank", "2048 3", true, 2048, 3},
        {"tabs", "\t2048\t3", true, 2048, 3},
        {"removal", "  -2048  -1", true, -2048, UINT64_MAX},
        {"zero", "0 0", true, 0, 0},
        {"one number", "2048", false, 0, 0},
        {"numbers run together", "20483", false, 0, 0},
        {"three numbers", "2048 3 4", false, 0, 0},
        {"trailing blank", "2048 3 ", false, 0, 0},
        {"letter in number", "2048x 3", false, 0, 0},
        {"letters", "a b", false, 0, 0},
        {"empty", "", false, 0, 0},
        {"size overflow", "9223372036854775808 1", false, 0, 0},
    };
    expectParsed(parse_maildirsize_line, cases);
}

}  // namespace
