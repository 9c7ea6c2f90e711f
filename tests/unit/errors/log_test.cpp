#include "lib/errors/log.h"

#include <cerrno>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/printed.h"

namespace {

using testsupport::Printed;
using testsupport::printedBy;

// A status of 1 ends the process: GetMboxSizeDeathTest.MissingMaildirEndsTheProcess.
TEST(Messlog2, PrintsOnBothStreamsAndKeepsErrno) {
    const std::string big(10000, 'x');
    struct Case {
        const char* name;
        int error;
        std::string format, arg, want;
    } cases[] = {
        {"plain", 0, "abc", "", "abc\n"},
        {"system error added", ENOENT, "open %s", "x",
         std::string("open x\nSystem error 2: ") + std::strerror(ENOENT) + "\n"},
        {"no second line break", 0, "done\n", "", "done\n"},
        {"long message not cut", 0, "%s", big, big + "\n"},
    };
    for (const Case& c : cases) {
        Printed p = printedBy([&] {
            errno = c.error;
            return messlog2(0, 0, c.format.c_str(), c.arg.c_str());
        });
        EXPECT_EQ(0, p.rc) << c.name;
        EXPECT_EQ(c.want, p.err) << c.name;
        EXPECT_EQ(c.want, p.out) << c.name;
        EXPECT_EQ(c.error, p.error) << c.name << ": errno kept";
    }
}

TEST(QuarnLogInit, ConsoleDestination) {
    quarn_log_init("Console", 3, 16, 0, "test");
    EXPECT_TRUE(LogEnabled);
    EXPECT_EQ(3, LogLevel);
    Printed p = printedBy([] {
        quarn_log(4, "filtered");
        quarn_log(3, "shown %d", 1);
    });
    EXPECT_EQ("shown 1\n", p.err);
    EXPECT_EQ("shown 1\n", p.out);

    quarn_log_init("file", 6, 16, 0, "test");
    EXPECT_FALSE(LogEnabled) << "only a console destination stays enabled";
    quarn_log_init("console", 0, 16, 0, "test");
    EXPECT_FALSE(LogEnabled);
    EXPECT_EQ(0, LogLevel);
    quarn_log_init("console", 6, 16, 0, "test");
}

}  // namespace
