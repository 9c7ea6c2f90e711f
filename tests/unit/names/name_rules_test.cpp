// The rule that the layers building paths keep for themselves.
#include "lib/names/name_rules.h"

#include <string>

#include <gtest/gtest.h>

namespace {

TEST(NameRules, SafePathComponent) {
    const struct {
        std::string name;
        bool want;
    } cases[] = {
        {"joe", true},    {".Spam", true},  {"a..b", true},  {"", false},
        {".", false},     {"..", false},    {"a/b", false},  {"/", false},
        {"a\nb", false},  {"a\x01", false}, {"@attachments", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.want, quarn::isSafePathComponent(c.name)) << "\"" << c.name << "\"";
}

}  // namespace
