#include "lib/runner/sh_quote.h"

#include <string>

#include <gtest/gtest.h>

namespace {

TEST(ShQuote, EscapesShellCharacters) {
    struct Case {
        std::string word, want;
    } cases[] = {
        {"", ""},
        {"plain-word_1.2/x@y:z,%+=", "plain-word_1.2/x@y:z,%+="},
        {"a b$c", "a\\ b\\$c"},
        {"line\nfeed", "line'\n'feed"},
        {"caf\xc3\xa9\xff", "caf\xc3\xa9\xff"},
        {std::string("nul\0byte", 8), std::string("nul\0byte", 8)},
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
