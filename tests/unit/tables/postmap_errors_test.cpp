// The bounded standard error text of postmap runs.
#include "mail/postfix/tables/postmap_errors.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using quarn::mail::postfix::PostmapErrors;

std::string lines(int from, int to, const char* text = "postmap: warning: line ") {
    std::string s;
    for (int i = from; i <= to; ++i)
        s += text + std::to_string(i) + "\n";
    return s;
}

TEST(PostmapErrors, KeepsTheEndsAndCountsTheRest) {
    std::string longLine = "postmap: fatal: " + std::string(2000, 'x') + "\n";
    struct Case {
        const char* name;
        std::string text;
        std::string want;
        bool clean;
    } cases[] = {
        {"nothing", "", "", true},
        {"short text unchanged", lines(1, 8), lines(1, 8), true},
        {"no final line feed", "postmap: fatal: x", "postmap: fatal: x", false},
        {"one line too many", lines(1, 9),
         lines(1, 4) + "[... 1 lines left out ...]\n" + lines(6, 9), true},
        {"many lines", lines(1, 1000),
         lines(1, 4) + "[... 992 lines left out ...]\n" + lines(997, 1000), true},
        {"a diagnostic in the left-out middle still counts",
         lines(1, 10) + "postmap: fatal: hidden\n" + lines(11, 20),
         lines(1, 4) + "[... 13 lines left out ...]\n" + lines(17, 20), false},
        {"a long line keeps its start",
         longLine, longLine.substr(0, PostmapErrors::LineBytes) + "...\n", false},
    };
    for (const Case& c : cases) {
        // Fed in small pieces: where a chunk ends must not matter.
        PostmapErrors errors;
        for (size_t i = 0; i < c.text.size(); i += 7)
            errors.append(c.text.data() + i, std::min<size_t>(7, c.text.size() - i));
        EXPECT_EQ(c.want, errors.text()) << c.name;
        EXPECT_EQ(c.clean, errors.clean()) << c.name;
        EXPECT_EQ(c.text.empty(), errors.empty()) << c.name;
    }
}

}  // namespace
