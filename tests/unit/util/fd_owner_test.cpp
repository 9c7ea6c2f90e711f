#include "lib/util/fd_owner.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include <gtest/gtest.h>

#include "lib/errors/errors.h"
#include "lib/util/fd_flags.h"
#include "tests/unit/process/process_test_support.h"

namespace {

using namespace quarn::process;
using process_test::thrownBy;

class FdOwnerTest : public process_test::NoLeaks {};

bool isOpen(int fd) { return fcntl(fd, F_GETFD) >= 0; }

// Owned descriptors closed and borrowed ones kept are proven by the leak
// check of the process tests and by PipeTest.ProcessesAreChainedAndAllStatusesKept.
TEST_F(FdOwnerTest, MoveReleaseAndClose) {
    FdOwner a = FdOwner::adopt(dup(0));
    int fd = a.get();
    FdOwner b = std::move(a);
    EXPECT_TRUE(a.empty());
    EXPECT_EQ(fd, b.get());
    b = FdOwner::adopt(dup(0));
    EXPECT_FALSE(isOpen(fd)) << "assignment should close the old descriptor";
    fd = b.release();
    EXPECT_TRUE(b.empty());
    EXPECT_TRUE(isOpen(fd));
    b = FdOwner::adopt(fd);
    b.close();
    EXPECT_FALSE(isOpen(fd));
    EXPECT_EQ(-1, b.get());
    b.close();  // empty: nothing to do
}

TEST_F(FdOwnerTest, FailuresNameTheStep) {
    EXPECT_EQ("open /nonexistent/file: No such file or directory", thrownBy<quarn::SystemError>([] {
                  FdOwner::open("/nonexistent/file", O_RDONLY, 0, "open /nonexistent/file");
              }));
    FdOwner bad = FdOwner::adopt(987654);
    EXPECT_EQ("close it: Bad file descriptor",
              thrownBy<quarn::SystemError>([&] { bad.close("close it"); }));
    errno = 42;
    FdOwner quiet = FdOwner::adopt(987654);
    EXPECT_FALSE(quiet.closeQuietly());
    EXPECT_EQ(42, errno) << "closeQuietly must keep errno";
    EXPECT_THROW(setNonBlocking(987654, "fcntl"), quarn::SystemError);
}

}  // namespace
