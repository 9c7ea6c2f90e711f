// The POP3-before-SMTP switch in the milter's settings file.
#include "mail/postfix/lib/pop_auth.h"

#include <string>

#include <gtest/gtest.h>

#include "tests/support/file_text.h"
#include "tests/support/saved_file.h"

namespace {

TEST(PopAuth, EnableTwiceThenDisable) {
    testsupport::SavedFile settings(MILTER_SETTINGS_FILE);
    settings.write("kx_other=1\n");
    struct Step {
        const char* name;
        int (*op)();
        const char* after;
    } steps[] = {
        {"enable", enablePopAuth, "kx_other=1\nkx_milter_pop_before_smtp=1\n"},
        {"enable again", enablePopAuth,
         "kx_other=1\nkx_milter_pop_before_smtp=1\nkx_milter_pop_before_smtp=1\n"},
        {"disable", disablePopAuth, "kx_other=1\n"},
    };
    for (const Step& s : steps) {
        EXPECT_EQ(0, s.op()) << s.name;
        EXPECT_EQ(s.after, testsupport::readFile(MILTER_SETTINGS_FILE)) << s.name;
    }
}

}  // namespace
