// The size a Maildir message announces in its name.
#include "mail/lib/quota/maildir_message_size.h"

#include <gtest/gtest.h>

namespace {

TEST(MaildirNameSize, NumberAfterSizeTagEndedByColonOrEnd) {
    struct Case {
        const char* name;
        bool ok;
        sizequota_t size;
    } cases[] = {
        {"1234.M1P2.host,S=2048:2,S", true, 2048},
        {"1234.M1P2.host,S=2048", true, 2048},
        {"1234.M1P2.host,S=0:2,", true, 0},
        {"1234.M1P2.host,S=2048,W=2100:2,S", false, 0},
        {"1234.M1P2.host,S=:2,", false, 0},
        {"1234.M1P2.host,s=2048:2,", false, 0},
        {"1234.M1P2.host:2,S", false, 0},
        {"1234.M1P2.host,S=12a,S=7:2,", true, 7},
        {"x,S=99999999999999999999:2,,S=5", true, 5},
        {"x,S=9223372036854775807", true, INT64_MAX},
        {"x,S=9223372036854775808", false, 0},
        {",S=,S=9", true, 9},
    };
    for (const auto& c : cases) {
        sizequota_t size = -1;
        bool ok = maildir_name_size(c.name, &size);
        EXPECT_EQ(c.ok, ok) << c.name << ": got " << ok << ", want " << c.ok;
        if (c.ok && ok) {
            EXPECT_EQ(c.size, size) << c.name << ": got " << size << ", want " << c.size;
        }
    }
}

}  // namespace
