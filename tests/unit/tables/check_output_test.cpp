// The diagnostic scan of Postfix tools' standard error.
#include "mail/postfix/tables/check_output.h"

#include <gtest/gtest.h>

namespace {

using quarn::mail::postfix::checkOutput;

TEST(CheckOutput, Table) {
    struct Case {
        const char* name;
        const char* text;
        bool warningsFail;
        bool want;
    } cases[] = {
        {"empty", "", false, true},
        {"empty strict", "", true, true},
        {"warning", "postmap: warning: something odd here\n", false, true},
        {"fatal", "postmap: fatal: open /x: No such file or directory\n", false, false},
        {"panic", "postmap: panic: bad\n", false, false},
        {"error", "postconf: error: bad\n", false, false},
        {"fatal without line feed", "postmap: fatal: x", false, false},
        {"fatal on second line", "postmap: warning: a: b\npostmap: fatal: c\n", false, false},
        {"fatal after many spaces", "postmap:    fatal: c\n", false, false},
        {"tag without further colon", "postmap: fatal\n", false, true},
        {"no colon", "just some text\n", false, true},
        {"colon last", "postmap:\n", false, true},
        {"only spaces after colon", "postmap:    \n", false, true},
        {"one char after colon", "postmap: f\n", false, true},
        {"fatal not first tag", "postmap: warning: fatal: x\n", false, true},
        {"info strict", "postmap: info: x\n", true, false},
        {"warning strict", "postmap: warning: x\n", true, true},
        {"untagged strict", "postmap: plain text\n", true, true},
        {"blank lines", "\n\n\n", true, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.want, checkOutput(c.text, c.warningsFail))
            << c.name << ": got " << !c.want << ", want " << c.want;
}

}  // namespace
