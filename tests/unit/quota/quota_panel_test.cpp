// Quota values of the panel database read as numbers.
#include "mail/lib/quota/quota_panel.h"

#include <gtest/gtest.h>

namespace {

TEST(PanelQuotaValue, WholeTextMustBeADecimalNumber) {
    struct Case {
        const char* text;
        bool ok;
        sizequota_t value;
    } cases[] = {
        {"1048576", true, 1048576},
        {"-1", true, -1},
        {"+5", true, 5},
        {"0", true, 0},
        {"9223372036854775807", true, INT64_MAX},
        {"-9223372036854775808", true, INT64_MIN},
        {"9223372036854775808", false, 0},
        {"", false, 0},
        {nullptr, false, 0},
        {" 5", false, 0},
        {"5 ", false, 0},
        {"1.5", false, 0},
        {"unlimited", false, 0},
        {"-", false, 0},
        {"12abc", false, 0},
    };
    for (const auto& c : cases) {
        sizequota_t value = 77;
        const char* shown = c.text ? c.text : "(none)";
        bool ok = panel_quota_value(c.text, &value);
        EXPECT_EQ(c.ok, ok) << shown << ": got " << ok << ", want " << c.ok;
        if (c.ok && ok) {
            EXPECT_EQ(c.value, value) << shown;
        }
    }
}

}  // namespace
