#include "lib/runner/sh_quote.h"

#include <string>

#include <gtest/gtest.h>

namespace {

// Whole words; what each byte becomes is the next test.
TEST(ShQuote, EscapesShellCharacters) {
    struct Case {
        std::string word, want;
    } cases[] = {
        {"", ""},
        {"a b$c", "a\\ b\\$c"},
        {"line\nfeed", "line'\n'feed"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.want, quarn::sh_quote(c.word)) << "word " << c.word;
}

TEST(ShQuote, EveryByteHasOneClass) {
    const std::string backslashed = "\t \"#$&'()*;<>?[\\`|~";
    for (int b = 0; b < 256; ++b) {
        std::string word(1, static_cast<char>(b));
        std::string want = word;
        if (b == '\n')
            want = "'\n'";
        else if (b != 0 && backslashed.find(static_cast<char>(b)) != std::string::npos)
            want = "\\" + word;
        EXPECT_EQ(want, quarn::sh_quote(word)) << "byte " << b;
    }
}

}  // namespace
