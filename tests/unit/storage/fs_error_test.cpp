// Messages of the storage errors, and a backup of what is no directory.
#include "mail/lib/storage/backup_rename.h"
#include "mail/lib/storage/fs_error.h"

#include <boost/filesystem.hpp>

#include <cerrno>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace {

namespace fs = boost::filesystem;
using quarn::mail::backupRename;
using quarn::mail::FSError;

TEST(FSErrorTest, MessagesNameTheOperationTheCodeAndThePaths) {
    EXPECT_STREQ(FSError("chown", "/m/d", EPERM).what(),
                 "chown: Operation not permitted: \"/m/d\"");
    EXPECT_STREQ(FSError("rename", "/m/a", "/m/b", ENOENT).what(),
                 "rename: No such file or directory: \"/m/a\", \"/m/b\"");
    EXPECT_STREQ(FSError("getcwd", ERANGE).what(), "getcwd: Numerical result out of range");
    // Code 0 stays 0, whatever errno holds.
    errno = EACCES;
    FSError zero("unable to store domain quota", "/m/d", 0);
    EXPECT_EQ(zero.code().value(), 0);
    EXPECT_STREQ(zero.what(), "unable to store domain quota: Success: \"/m/d\"");
}

TEST(BackupRenameTest, NothingToBackUpGivesAnEmptyPath) {
    // A missing one is proved through the storage; a path below a file
    // (ENOTDIR) is nothing to back up either.
    testsupport::TempDir dir;
    fs::path backup = "stale";
    EXPECT_TRUE(backupRename(dir.write("plain", "x") + "/below", backup));
    EXPECT_TRUE(backup.empty());
}

}  // namespace
