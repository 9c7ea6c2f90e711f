// Messages of the storage errors and the backup rename of mail directories.
#include "mail/lib/storage/backup_rename.h"
#include "mail/lib/storage/fs_error.h"

#include <sys/stat.h>

#include <boost/filesystem.hpp>

#include <cerrno>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace {

namespace fs = boost::filesystem;
using quarn::mail::backupRename;
using quarn::mail::FSError;

// The form with two paths is proved by a failed rename end to end.
TEST(FSErrorTest, MessagesNameTheOperationTheCodeAndThePaths) {
    EXPECT_STREQ(FSError("chown", "/m/d", EPERM).what(),
                 "chown: Operation not permitted: \"/m/d\"");
    EXPECT_STREQ(FSError("getcwd", ERANGE).what(), "getcwd: Numerical result out of range");
    // Code 0 stays 0, whatever errno holds.
    errno = EACCES;
    FSError zero("unable to store domain quota", "/m/d", 0);
    EXPECT_EQ(zero.code().value(), 0);
    EXPECT_STREQ(zero.what(), "unable to store domain quota: Success: \"/m/d\"");
}

TEST(BackupRenameTest, MovesADirectoryToTheNameWithItsInode) {
    testsupport::TempDir dir;
    fs::path root = dir.file("example.net");
    fs::create_directories(root / "joe");
    struct stat st;
    ASSERT_EQ(stat(root.c_str(), &st), 0);
    fs::path backup;
    ASSERT_TRUE(backupRename(root, backup));
    EXPECT_EQ(backup.string(), root.string() + ".QuarnSaved." + std::to_string(st.st_ino));
    EXPECT_FALSE(fs::exists(root));
    EXPECT_TRUE(fs::is_directory(backup / "joe"));
}

TEST(BackupRenameTest, NothingToBackUpGivesAnEmptyPath) {
    testsupport::TempDir dir;
    fs::path backup = "stale";
    EXPECT_TRUE(backupRename(dir.file("missing"), backup));
    EXPECT_TRUE(backup.empty());
    std::string file = dir.write("plain", "x");
    backup = "stale";
    EXPECT_TRUE(backupRename(file + "/below", backup));  // ENOTDIR
    EXPECT_TRUE(backup.empty());
}

}  // namespace
