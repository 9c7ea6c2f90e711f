// What a rewrite leaves around the table: the old file's owner, group and
// mode on a new file, no left-overs, and the lock directory it needs.
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>

#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "lib/errors/errors.h"
#include "lib/util/mk_lock.h"
#include "mail/postfix/tables/database_helper.h"
#include "tests/sandboxed/tables/table_support.h"

namespace {

using quarn::mail::postfix::DatabaseHelper;
using tabletest::KeepAll;

struct stat statOf(const std::string& path) {
    struct stat st = {};
    stat(path.c_str(), &st);
    return st;
}

// A rewrite puts a new file in place with the old one's owner, group and
// mode (replaceRecords, which no command uses, shares this rewrite).
TEST(TableRewrite, NewFileKeepsOwnerGroupAndMode) {
    tabletest::ScratchTable t("owner");
    t.fill({{"a", "1@a.test"}});
    const std::string db = t.path() + ".db";
    uid_t postfix = getpwnam("postfix")->pw_uid;
    gid_t postdrop = getgrnam("postdrop")->gr_gid;
    ASSERT_EQ(0, chown(db.c_str(), postfix, postdrop));
    ASSERT_EQ(0, chmod(db.c_str(), 0640));
    ino_t before = statOf(db).st_ino;
    DatabaseHelper::filterElements(t.map(), tabletest::Toggle());
    struct stat st = statOf(db);
    EXPECT_NE(before, st.st_ino) << "written in place, want a new file";
    EXPECT_EQ(postfix, st.st_uid);
    EXPECT_EQ(postdrop, st.st_gid);
    EXPECT_EQ(0640u, st.st_mode & 07777);
    EXPECT_EQ((testsupport::Records{{"a", "1@b.test"}}), t.dump());
}

TEST(TableRewrite, LeftOversOfKilledRunsGoWithTheNextRewrite) {
    tabletest::ScratchTable t("leftovers");
    t.fill({{"a", "1"}});
    const std::string dir = tabletest::TABLES;
    const std::string name = t.path().substr(dir.size());
    // Another table whose name starts the same way keeps its scratch files.
    const std::string other = dir + "." + name + "x.rewrite-AAAAAA";
    for (const std::string& f : {dir + "." + name + ".rewrite-AAAAAA",
                                 dir + "." + name + ".rewrite-AAAAAA.db", other})
        std::ofstream(f) << "partial\n";
    DatabaseHelper::filterElements(t.map(), KeepAll());
    EXPECT_TRUE(tabletest::scratchFiles(t.path()).empty());
    EXPECT_TRUE(tabletest::exists(other)) << "another table's file removed";
    unlink(other.c_str());
    EXPECT_EQ((testsupport::Records{{"a", "1"}}), t.dump());
}

// The lock directory is put back as root's 0755, and a directory others
// could plant links in is refused.
TEST(TableRewrite, LockDirectoryIsCreatedAndChecked) {
    const std::string lockDir = quarn::LOCK_FILES_DIR;
    const std::string moved = lockDir + ".saved";
    ASSERT_EQ(0, rename(lockDir.c_str(), moved.c_str()));
    struct Case {
        const char* name;
        const char* setUp;  ///< shell commands that put a directory in its way
        int wantError;      ///< 0: the lock is granted
    } cases[] = {
        {"missing, under umask 077", "", 0},
        {"open to everybody", "mkdir -m 0777 " "/var/lock/files", EPERM},
        {"owned by another user", "mkdir -m 0755 " "/var/lock/files"
                                  " && chown postfix " "/var/lock/files", EPERM},
        {"a link to a directory", "mkdir -p /tmp/t_lockdir && ln -s /tmp/t_lockdir "
                                  "/var/lock/files", EPERM},
    };
    for (const Case& c : cases) {
        std::system(("rm -rf " + lockDir).c_str());
        mode_t mask = umask(c.wantError == 0 ? 077 : 022);
        if (c.wantError) {
            ASSERT_EQ(0, std::system(c.setUp)) << c.name;
        }
        int error = 0;
        try {
            quarn::MKLock lock("/var/spool/postfix/quarn/virtual");
        } catch (const quarn::SystemError& e) {
            error = e.error();
        }
        umask(mask);
        EXPECT_EQ(c.wantError, error) << c.name;
        if (c.wantError == 0) {
            struct stat st;
            ASSERT_EQ(0, lstat(lockDir.c_str(), &st)) << c.name;
            EXPECT_TRUE(S_ISDIR(st.st_mode)) << c.name;
            EXPECT_EQ(0u, st.st_uid) << c.name;
            EXPECT_EQ(0755u, st.st_mode & 07777) << c.name;
        }
    }
    std::system(("rm -rf " + lockDir + " /tmp/t_lockdir").c_str());
    ASSERT_EQ(0, rename(moved.c_str(), lockDir.c_str()));
}

}  // namespace
