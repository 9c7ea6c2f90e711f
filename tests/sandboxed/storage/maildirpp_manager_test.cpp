// Mailbox quotas set through the mail storage: the limit written to
// maildirsize, the room taken by attachments, and the way back to the
// working directory on every path.
#include "mail/lib/storage/maildir_manager.h"

#include <sys/stat.h>
#include <unistd.h>

#include <boost/filesystem.hpp>

#include <fstream>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "mail/lib/quota/get_dir_size.h"
#include "tests/sandboxed/panel/panel_rows.h"
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

std::string firstLine(const std::string& path) {
    std::string text = maildir_tree::readFile(path);
    return text.substr(0, text.find('\n'));
}

long long attachmentsSize() { return get_dir_size((HOME + "/@attachments").c_str(), 0); }

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

    /// The header written for `quota`, and what went to standard error.
    std::string headerFor(long long quota, std::string* err = nullptr) {
        ::testing::internal::CaptureStderr();
        maildirs.setMailboxQuota(DOMAIN, "joe", quota);
        std::string text = ::testing::internal::GetCapturedStderr();
        if (err)
            *err = text;
        EXPECT_EQ(cwd(), startDir);
        return firstLine(MAILDIR + "/maildirsize");
    }

    quarn::mail::MaildirPPManager& maildirs = MaildirManager::getInstance();
    std::string startDir;
};

TEST_F(MailboxQuotaTest, LimitIsWhatTheAttachmentsLeave) {
    const long long store = attachmentsSize();  // the empty directory
    struct Case {
        const char* what;
        std::size_t attached;  // bytes of one file in @attachments
        long long quota;       // -2: exactly the store's own size
        std::string header;
        const char* err;
    } cases[] = {
        {"room left", 3000, 100000, "", ""},
        {"no limit", 0, -1, "0S,0C", ""},
        {"nothing left is 1 byte, not unlimited", 0, -2, "1S,0C", ""},
        {"quota 0", 0, 0, "1S,0C", WARNING},
        {"attachments bigger than the quota", 50000, 10000, "1S,0C", WARNING},
    };
    for (const Case& c : cases) {
        fs::remove(HOME + "/@attachments/a.pdf");
        if (c.attached)
            std::ofstream(HOME + "/@attachments/a.pdf") << std::string(c.attached, 'x');
        std::string err;
        std::string header = headerFor(c.quota == -2 ? store : c.quota, &err);
        std::string want = c.header.empty()
                               ? std::to_string(c.quota - attachmentsSize()) + "S,0C"
                               : c.header;
        EXPECT_EQ(want, header) << c.what;
        EXPECT_EQ(c.err, err) << c.what;
    }
    struct stat st;
    ASSERT_EQ(stat((MAILDIR + "/maildirsize").c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, maildirs.uid());
    EXPECT_EQ(st.st_gid, maildirs.gid());
}

TEST_F(MailboxQuotaTest, UsageLineCountsTheMail) {
    std::ofstream(MAILDIR + "/cur/1.host,S=1234:2,S") << "x";
    std::ofstream(MAILDIR + "/new/2.host") << std::string(100, 'y');
    headerFor(-1);
    std::ifstream in(MAILDIR + "/maildirsize");
    std::string header, usage, more;
    std::getline(in, header);
    std::getline(in, usage);
    EXPECT_EQ(usage, "        1334           2");
    EXPECT_FALSE(std::getline(in, more));
}

// Each failure names its step and path; the working directory comes back
// and no scratch file stays.
TEST_F(MailboxQuotaTest, FailuresKeepTheWorkingDirectory) {
    struct Case {
        const char* what;
        std::function<void()> spoil;
        std::string prefix, path;
    } cases[] = {
        {"missing home", [] { fs::remove_all(HOME); }, "chdir: ", HOME},
        // maildirsize cannot be replaced while a directory holds its name.
        {"maildirsize in the way",
         [] { fs::create_directories(MAILDIR + "/maildirsize/in-the-way"); },
         "create maildirsize: ", MAILDIR},
    };
    for (const Case& c : cases) {
        maildirs.createMailnameHome(DOMAIN, "joe");
        c.spoil();
        try {
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

TEST_F(MailboxQuotaTest, DomainQuotaReachesMailboxesOnTheDefaultOnly) {
    testsupport::PanelRows panel;
    int dom = panel.addDomain(DOMAIN);
    panel.addMailname(dom, "joe");
    panel.addMailname(dom, "ann", "7777");
    maildirs.createMailnameHome(DOMAIN, "ann");
    maildirs.setMailboxQuota(DOMAIN, "ann", 7777 + attachmentsSize());

    maildirs.setDomainQuota(DOMAIN, 50000);
    EXPECT_EQ(firstLine(MAILDIR + "/maildirsize"),
              std::to_string(50000 - attachmentsSize()) + "S,0C");
    EXPECT_EQ(firstLine(DOMAIN_ROOT + "/ann/Maildir/maildirsize"), "7777S,0C");

    maildirs.removeDomainQuota(DOMAIN);
    EXPECT_EQ(firstLine(MAILDIR + "/maildirsize"), "0S,0C");
}

TEST_F(MailboxQuotaTest, QuotaOfAnUnknownDomainIsAnFSError) {
    // No mailbox in the panel: nothing to do, and no error either.
    EXPECT_NO_THROW(maildirs.setDefaultMailboxQuota(DOMAIN, 1000));
    // Without a panel domain there is no default to go back to.
    try {
        maildirs.removeMailboxQuota(DOMAIN, "joe");
        ADD_FAILURE() << "no error without a panel domain";
    } catch (const fs::filesystem_error& e) {
        EXPECT_EQ(std::string(e.what()).rfind("unable to remove quota: ", 0), 0u) << e.what();
        EXPECT_EQ(e.path1().string(), HOME);
    }
}

}  // namespace
