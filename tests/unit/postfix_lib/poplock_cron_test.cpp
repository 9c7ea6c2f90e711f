// The cleaner's crontab line and the rewrite of a table around it.
#include "mail/postfix/lib/poplock_cron.h"

#include <string>

#include <gtest/gtest.h>

namespace {

const std::string CLEANER = POPLOCK_CLEANER;
const std::string STARS = "\t*\t*\t*\t*\t";

TEST(PoplockCron, Line) {
    struct Case {
        int period, start;
        std::string want;
    } cases[] = {
        {20, 7, "7,27,47" + STARS + CLEANER},
        {60, 13, "13" + STARS + CLEANER},
        {25, 0, "0,25,50" + STARS + CLEANER},
        {7, 6, "6,13,20,27,34,41,48,55" + STARS + CLEANER},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.want, poplock_cron_line(c.period, c.start)) << c.period << "/" << c.start;
}

TEST(PoplockCron, Rewrite) {
    const std::string active = "1 * * * * " + CLEANER + " -v\n";
    const std::string other = "MAILTO=\"\"\n 5\t* * * * /bin/true  \n";
    struct Case {
        const char* name;
        std::string table, line, want;
    } cases[] = {
        {"appended", other, "L", other + "L\n"},
        {"first replaced, second dropped", "a\n" + active + "b\n" + active, "L", "a\nL\nb\n"},
        {"commented kept and new appended", "  # " + active + other, "L",
         "  # " + active + other + "L\n"},
        {"removed", other + active, "", other},
        {"nothing to remove", other, "", other},
        {"empty table", "", "L", "L\n"},
        {"last line without feed", "a\nb", "L", "a\nb\nL\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.want, poplock_cron_rewrite(c.table, c.line)) << c.name;
}

}  // namespace
