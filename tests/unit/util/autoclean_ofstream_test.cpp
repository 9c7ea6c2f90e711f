// The scratch output file that deletes itself.
#include "lib/util/autoclean_ofstream.h"

#include <sys/stat.h>

#include <cerrno>
#include <fstream>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace {

using quarn::AutocleanOFStream;

bool exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

TEST(AutocleanOFStream, RemovedOnEveryWayOutKeepingErrno) {
    testsupport::TempDir dir;
    std::string path = dir.file("source");
    {
        AutocleanOFStream out(path);
        out << "a 1\n";
        out.close();
        EXPECT_TRUE(exists(path)) << "file missing while the stream lives";
        errno = EXDEV;
    }
    EXPECT_EQ(EXDEV, errno) << "errno changed by the destructor";
    EXPECT_FALSE(exists(path)) << "file left after the stream";
    try {
        AutocleanOFStream out(path);
        out.exceptions(std::ios_base::badbit | std::ios_base::failbit);
        throw std::runtime_error("step failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_FALSE(exists(path)) << "file left after an exception";
}

}  // namespace
