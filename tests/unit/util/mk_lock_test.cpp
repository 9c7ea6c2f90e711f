// Lock-file names and the flock of MKLock on scratch lock files.
#include "lib/util/mk_lock.h"

#include <sys/stat.h>

#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "lib/errors/errors.h"
#include "tests/support/temp_dir.h"
#include "tests/unit/process/process_test_support.h"

namespace {

using quarn::MKLock;
using quarn::mk_flock_path;
using process_test::thrownBy;

TEST(MkFlockPath, Md5OfPath) {
    EXPECT_EQ("/var/lock/files/d41d8cd98f00b204e9800998ecf8427e", mk_flock_path(""));
    EXPECT_EQ("/var/lock/files/900150983cd24fb0d6963f7d28e17f72", mk_flock_path("abc"));
    EXPECT_EQ("/var/lock/files/7963c3b4b0754641744c1ae241e19575", mk_flock_path("/etc/postfix/main.cf"));
}

TEST(MKLock, FileItselfIsLockedStaysAndUnlocksAtOnce) {
    testsupport::TempDir dir;
    std::string path = dir.file("lock");
    {
        MKLock lock(path, 1, 1);
        EXPECT_EQ(path, lock.lockPath());
        EXPECT_EQ("lock(" + path + ") failed: file is already locked",
                  thrownBy<std::runtime_error>([&] { MKLock again(path, 1, 1); }));
    }
    MKLock after(path, 1, 1);  // released by the destructor
    struct stat st;
    EXPECT_EQ(0, stat(path.c_str(), &st)) << "lock file removed, want kept";
    after.unlock();
    EXPECT_EQ("no exception", thrownBy<std::exception>([&] {
                  MKLock again(path, 1, 1);
                  again.unlock();
                  again.unlock();  // a second release does nothing
              })) << "lock after unlock";
}

TEST(MKLock, UnopenableFileIsSystemError) {
    testsupport::TempDir dir;
    std::string path = dir.file("missing/lock");
    testing::internal::CaptureStderr();
    EXPECT_EQ("lock() failed: No such file or directory",
              thrownBy<quarn::SystemError>([&] { MKLock lock(path, 1, 0); }));
    std::string err = testing::internal::GetCapturedStderr();
    std::string want = "Unable to open file \"" + path + "\": No such file or directory.";
    EXPECT_NE(std::string::npos, err.find(want)) << "got " << err << ", want " << want;
}

}  // namespace
