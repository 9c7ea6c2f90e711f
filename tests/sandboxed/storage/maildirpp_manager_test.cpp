// Mailbox quotas set through the mail storage: the limit written to
// maildirsize, the room taken by attachments, and the way back to the
// working directory on every path. (A limit less the attachments is
// proved end to end with deliverquota.)
#include "mail/lib/storage/maildir_manager.h"

#include <sys/stat.h>
#include <unistd.h>

#include <boost/filesystem.hpp>

#include <fstream>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "mail/lib/quota/get_dir_size.h"
#include "tests/support/printed.h"
#include "tests/unit/quota/maildir_tree.h"

namespace {

namespace fs = boost::filesystem;
using quarn::mail::MaildirManager;

const std::string DOMAIN = "quota.example";
const std::string DOMAIN_ROOT = "/var/qmail/mailnames/" + DOMAIN;
const std::string HOME = DOMAIN_ROOT + "/joe";
const std::string MAILDIR = HOME + "/Maildir";
const char* const WARNING = "WARNING: @attachments directory is big enough to disable delivery!\n";

using maildir_tree::cwd;
using maildir_tree::firstLine;

class MailboxQuotaTest : public ::testing::Test {
protected:
    void SetUp() override {
        maildirs.createDomainRoot(DOMAIN);
        maildirs.createMailnameHome(DOMAIN, "joe");
        startDir = cwd();
    }
    void TearDown() override {
        boost::system::error_code ignored;
        fs::remove_all(DOMAIN_ROOT, ignored);
    }

    quarn::mail::MaildirPPManager& maildirs = MaildirManager::getInstance();
    std::string startDir;
};

TEST_F(MailboxQuotaTest, LimitIsWhatTheAttachmentsLeave) {
    const long long store = get_dir_size((HOME + "/@attachments").c_str(), 0);  // empty
    struct Case {
        const char* what;
        std::size_t attached;  // bytes of one file in @attachments
        long long quota;       // -2: exactly the store's own size
        std::string header;
        const char* err;
    } cases[] = {
        {"no limit", 0, -1, "0S,0C", ""},
        {"nothing left is 1 byte, not unlimited", 0, -2, "1S,0C", ""},
        {"quota 0", 0, 0, "1S,0C", WARNING},
        {"attachments bigger than the quota", 50000, 10000, "1S,0C", WARNING},
    };
    for (const Case& c : cases) {
        fs::remove(HOME + "/@attachments/a.pdf");
        if (c.attached)
            std::ofstream(HOME + "/@attachments/a.pdf") << std::string(c.attached, 'x');
        long long quota = c.quota == -2 ? store : c.quota;
        auto p = testsupport::printedBy([&] { maildirs.setMailboxQuota(DOMAIN, "joe", quota); });
        EXPECT_EQ(c.header, firstLine(MAILDIR + "/maildirsize")) << c.what;
        EXPECT_EQ(c.err, p.err) << c.what;
        EXPECT_EQ(cwd(), startDir) << c.what;
    }
    struct stat st = maildir_tree::statOf(MAILDIR + "/maildirsize");
    EXPECT_EQ(st.st_uid, maildirs.uid());
    EXPECT_EQ(st.st_gid, maildirs.gid());
}

// Each failure names its step and path; the working directory comes back
// and no scratch file stays.
TEST_F(MailboxQuotaTest, FailuresKeepTheWorkingDirectory) {
    struct Case {
        const char* what;
        std::function<void()> spoil;
        std::string prefix, path;
        bool remove = false;  // removeMailboxQuota instead of setMailboxQuota
    } cases[] = {
        {"missing home", [] { fs::remove_all(HOME); }, "chdir: ", HOME},
        // maildirsize cannot be replaced while a directory holds its name.
        {"maildirsize in the way",
         [] { fs::create_directories(MAILDIR + "/maildirsize/in-the-way"); },
         "create maildirsize: ", MAILDIR},
        // Without a panel domain there is no default to go back to.
        {"removal without a panel domain", [] {}, "unable to remove quota: ", HOME, true},
    };
    for (const Case& c : cases) {
        maildirs.createMailnameHome(DOMAIN, "joe");
        c.spoil();
        try {
            if (c.remove)
                maildirs.removeMailboxQuota(DOMAIN, "joe");
            else
                maildirs.setMailboxQuota(DOMAIN, "joe", 1000);
            ADD_FAILURE() << c.what << ": no error";
        } catch (const fs::filesystem_error& e) {
            EXPECT_EQ(std::string(e.what()).rfind(c.prefix, 0), 0u) << e.what();
            EXPECT_EQ(e.path1().string(), c.path) << c.what;
        }
        EXPECT_EQ(cwd(), startDir) << c.what;
        EXPECT_TRUE(!fs::exists(MAILDIR) || fs::is_empty(MAILDIR + "/tmp")) << c.what;
    }
}

}  // namespace
