#include "lib/errors/log.h"

#include <cerrno>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/printed.h"

namespace {

using testsupport::Printed;
using testsupport::printedBy;

TEST(Messlog2, PrintsOnBothStreams) {
    int rc = -1;
    Printed p = printedBy([&] {
        errno = 0;
        rc = messlog2(0, 0, "abc");
    });
    EXPECT_EQ(0, rc);
    EXPECT_EQ("abc\n", p.err);
    EXPECT_EQ("abc\n", p.out);
}

TEST(Messlog2, AddsTheSystemErrorAndKeepsErrno) {
    int after = 0;
    Printed p = printedBy([&] {
        errno = ENOENT;
        messlog2(0, 0, "open %s", "x");
        after = errno;
    });
    std::string want = std::string("open x\nSystem error 2: ") + std::strerror(ENOENT) + "\n";
    EXPECT_EQ(want, p.err);
    EXPECT_EQ(want, p.out);
    EXPECT_EQ(ENOENT, after);
}

TEST(Messlog2, NoSecondLineBreak) {
    Printed p = printedBy([] {
        errno = 0;
        messlog2(0, 0, "done\n");
    });
    EXPECT_EQ("done\n", p.out);
}

TEST(Messlog2, LongMessagesAreNotCut) {
    std::string big(10000, 'x');
    Printed p = printedBy([&] {
        errno = 0;
        messlog2(0, 0, "%s", big.c_str());
    });
    EXPECT_EQ(big + "\n", p.out);
}

TEST(Messlog2, NonZeroStatusExits) {
    EXPECT_EXIT(
        {
            errno = 0;
            messlog2(3, 0, "bye");
        },
        testing::ExitedWithCode(3), "bye");
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
