// Domain roots and mailname homes under the sandbox's mail root: layout,
// owners, modes, the clean-up of a failed home, backups and removal.
#include "mail/lib/storage/maildir_manager.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <boost/filesystem.hpp>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "lib/errors/errors.h"
#include "tests/sandboxed/tree/tree_attack.h"
#include "tests/support/saved_file.h"
#include "tests/unit/quota/maildir_tree.h"

namespace {

namespace fs = boost::filesystem;
using quarn::mail::MaildirManager;

const std::string ROOT = "/var/qmail/mailnames";
const std::string DOMAIN = "storage.example";
const std::string DOMAIN_ROOT = ROOT + "/" + DOMAIN;
const std::string HOME = DOMAIN_ROOT + "/joe";

const char* const HOME_TREE[] = {"",
                                 "/Maildir",
                                 "/Maildir/tmp",
                                 "/Maildir/new",
                                 "/Maildir/cur",
                                 "/Maildir/.Spam",
                                 "/Maildir/.Spam/tmp",
                                 "/Maildir/.Spam/new",
                                 "/Maildir/.Spam/cur",
                                 "/@attachments"};

using maildir_tree::ownerAndMode;

/// ownerAndMode of a directory of popuser's with `mode`.
std::string want(mode_t mode) {
    auto [uid, gid] = tree_attack::popuserIds();
    return ownerAndMode(uid, gid, mode);
}

mode_t currentUmask() {
    mode_t mask = umask(0);
    umask(mask);
    return mask;
}

unsigned long long inodeOf(const std::string& path) { return maildir_tree::statOf(path).st_ino; }

class MaildirManagerTest : public ::testing::Test {
protected:
    void SetUp() override { umask(022); }
    void TearDown() override {
        EXPECT_EQ(currentUmask(), 022u) << "the umask of an operation is left";
        boost::system::error_code ignored;
        for (fs::directory_iterator i(ROOT), end; i != end; ++i)
            if (i->path().filename().string().rfind(DOMAIN, 0) == 0)
                fs::remove_all(i->path(), ignored);
    }
    MaildirManager& maildirs = MaildirManager::getInstance();
};

TEST_F(MaildirManagerTest, DomainRootBelongsToPopuserWithMode0750) {
    maildirs.createDomainRoot(DOMAIN);
    EXPECT_EQ(ownerAndMode(DOMAIN_ROOT), want(0750));

    // An existing root gets its owner and mode back.
    ASSERT_EQ(chown(DOMAIN_ROOT.c_str(), 0, 0), 0);
    ASSERT_EQ(chmod(DOMAIN_ROOT.c_str(), 0777), 0);
    maildirs.createDomainRoot(DOMAIN);
    EXPECT_EQ(ownerAndMode(DOMAIN_ROOT), want(0750));
}

TEST_F(MaildirManagerTest, HomeIsMadeWholeAgainAndKeepsItsMail) {
    maildirs.createDomainRoot(DOMAIN);
    maildirs.createMailnameHome(DOMAIN, "joe");
    for (const char* sub : HOME_TREE)
        EXPECT_EQ(ownerAndMode(HOME + sub), want(0700)) << HOME + sub;

    fs::remove_all(HOME + "/Maildir/.Spam");
    ASSERT_EQ(chmod((HOME + "/Maildir/cur").c_str(), 0755), 0);
    ASSERT_EQ(chown(HOME.c_str(), 0, 0), 0);
    std::ofstream(HOME + "/Maildir/cur/1.msg") << "kept";
    maildirs.createMailnameHome(DOMAIN, "joe");
    for (const char* sub : HOME_TREE)
        EXPECT_EQ(ownerAndMode(HOME + sub), want(0700)) << HOME + sub;
    EXPECT_TRUE(fs::exists(HOME + "/Maildir/cur/1.msg"));
}

TEST_F(MaildirManagerTest, HomeWithoutDomainRootGetsItsParents) {
    maildirs.createMailnameHome(DOMAIN, "joe");
    EXPECT_EQ(ownerAndMode(HOME), want(0700));
    // Parents come from the umask of the operation and stay root's.
    EXPECT_EQ(ownerAndMode(DOMAIN_ROOT), "0:0 700");
}

TEST_F(MaildirManagerTest, FailedHomeIsRemovedWhole) {
    maildirs.createDomainRoot(DOMAIN);
    maildirs.createMailnameHome(DOMAIN, "joe");
    std::ofstream(HOME + "/Maildir/cur/1.msg") << "mail";
    // A file where a folder belongs stops the tree half way.
    fs::remove_all(HOME + "/Maildir/.Spam");
    std::ofstream(HOME + "/Maildir/.Spam") << "in the way";

    EXPECT_THROW(maildirs.createMailnameHome(DOMAIN, "joe"), fs::filesystem_error);
    EXPECT_FALSE(fs::exists(HOME));
    EXPECT_TRUE(fs::is_directory(DOMAIN_ROOT));
}

// (A home's rename and its failure are proved end to end.)
TEST_F(MaildirManagerTest, RenamedDomainRootTakesItsHomes) {
    maildirs.createMailnameHome(DOMAIN, "joe");
    maildirs.renameDomainRoot(DOMAIN, DOMAIN + ".new");
    EXPECT_TRUE(fs::is_directory(DOMAIN_ROOT + ".new/joe/Maildir"));
    EXPECT_FALSE(fs::exists(DOMAIN_ROOT));
}

TEST_F(MaildirManagerTest, BackupsAreNamedByInode) {
    maildirs.createMailnameHome(DOMAIN, "joe");
    unsigned long long home = inodeOf(HOME);
    EXPECT_EQ(maildirs.backupMailnameHome(DOMAIN, "joe").string(),
              HOME + ".QuarnSaved." + std::to_string(home));
    EXPECT_FALSE(fs::exists(HOME));
    EXPECT_TRUE(fs::is_directory(HOME + ".QuarnSaved." + std::to_string(home) + "/Maildir"));

    unsigned long long root = inodeOf(DOMAIN_ROOT);
    EXPECT_EQ(maildirs.backupDomainRoot(DOMAIN).string(),
              DOMAIN_ROOT + ".QuarnSaved." + std::to_string(root));
    EXPECT_FALSE(fs::exists(DOMAIN_ROOT));

    // Backing up nothing changes nothing.
    EXPECT_TRUE(maildirs.backupDomainRoot(DOMAIN).empty());
    EXPECT_TRUE(maildirs.backupMailnameHome(DOMAIN, "joe").empty());
    EXPECT_FALSE(fs::exists(DOMAIN_ROOT));
}

TEST_F(MaildirManagerTest, RemovalsLeaveNeitherTheDirectoryNorABackup) {
    maildirs.createMailnameHome(DOMAIN, "joe");
    maildirs.removeMailnameHome(DOMAIN, "joe");
    EXPECT_EQ("missing", ownerAndMode(HOME));
    EXPECT_TRUE(fs::is_directory(DOMAIN_ROOT));
    maildirs.removeDomainRoot(DOMAIN);
    for (fs::directory_iterator i(ROOT), end; i != end; ++i)
        EXPECT_NE(i->path().filename().string().rfind(DOMAIN, 0), 0u) << i->path();
    // What is not there is nothing to do.
    EXPECT_NO_THROW(maildirs.removeDomainRoot(DOMAIN));
    EXPECT_NO_THROW(maildirs.removeMailnameHome(DOMAIN, "joe"));
}

TEST_F(MaildirManagerTest, RootThatCannotBeMovedIsRemovedInPlace) {
    maildirs.createMailnameHome(DOMAIN, "joe");
    // The backup name is taken by a directory that is not empty.
    const std::string taken = DOMAIN_ROOT + ".QuarnSaved." + std::to_string(inodeOf(DOMAIN_ROOT));
    fs::create_directories(taken + "/occupied");
    maildirs.removeDomainRoot(DOMAIN);
    EXPECT_FALSE(fs::exists(DOMAIN_ROOT));
    EXPECT_TRUE(fs::is_directory(taken + "/occupied"));
}

TEST(MaildirManagerInit, MissingPopuserIsASystemError) {
    testsupport::SavedFile passwd("/etc/passwd");
    std::string text;
    std::istringstream lines(passwd.text());
    for (std::string line; std::getline(lines, line);)
        if (line.rfind("popuser:", 0) != 0)
            text += line + "\n";
    passwd.write(text);
    try {
        MaildirManager::getInstance();
        ADD_FAILURE() << "no error without popuser";
    } catch (const quarn::SystemError& e) {
        EXPECT_EQ(e.message(), "user popuser not found");
    }
}

}  // namespace
