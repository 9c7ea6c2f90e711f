// Mailbox quotas set through the mail storage: the limit written to
// maildirsize, the room taken by attachments, and the way back to the
// working directory on every path.
#include "mail/lib/storage/maildir_manager.h"

#include <sys/stat.h>
#include <unistd.h>

#include <boost/filesystem.hpp>

#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "mail/lib/quota/get_dir_size.h"
#include "tests/sandboxed/panel/panel_rows.h"

namespace {

namespace fs = boost::filesystem;
using quarn::mail::MaildirManager;

const std::string DOMAIN = "quota.example";
const std::string DOMAIN_ROOT = "/var/qmail/mailnames/" + DOMAIN;
const std::string HOME = DOMAIN_ROOT + "/joe";
const std::string MAILDIR = HOME + "/Maildir";
const char* const WARNING = "WARNING: @attachments directory is big enough to disable delivery!\n";

std::string firstLine(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

std::string cwd() {
    char buffer[4096];
    return getcwd(buffer, sizeof buffer) ? buffer : "?";
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
    std::ofstream(HOME + "/@attachments/a.pdf") << std::string(3000, 'x');
    long long used = attachmentsSize();
    ASSERT_GT(used, 3000);
    std::string err;
    EXPECT_EQ(headerFor(100000, &err), std::to_string(100000 - used) + "S,0C");
    EXPECT_EQ(err, "");

    struct stat st;
    ASSERT_EQ(stat((MAILDIR + "/maildirsize").c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, maildirs.uid());
    EXPECT_EQ(st.st_gid, maildirs.gid());
}

TEST_F(MailboxQuotaTest, NoLimitAndTheSmallestLimits) {
    EXPECT_EQ(headerFor(-1), "0S,0C");
    // Exactly the attachments' size leaves no room: 1 byte, never "unlimited".
    EXPECT_EQ(headerFor(attachmentsSize()), "1S,0C");
    std::string err;
    EXPECT_EQ(headerFor(0, &err), "1S,0C");
    EXPECT_EQ(err, WARNING);
}

TEST_F(MailboxQuotaTest, AttachmentsBiggerThanTheQuotaWarnAndStopDelivery) {
    std::ofstream(HOME + "/@attachments/big") << std::string(50000, 'x');
    std::string err;
    EXPECT_EQ(headerFor(10000, &err), "1S,0C");
    EXPECT_EQ(err, WARNING);
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

TEST_F(MailboxQuotaTest, MissingHomeIsAChdirError) {
    fs::remove_all(HOME);
    try {
        maildirs.setMailboxQuota(DOMAIN, "joe", 1000);
        ADD_FAILURE() << "no error for a missing home";
    } catch (const fs::filesystem_error& e) {
        EXPECT_EQ(std::string(e.what()).rfind("chdir: ", 0), 0u) << e.what();
        EXPECT_EQ(e.path1().string(), HOME);
    }
    EXPECT_EQ(cwd(), startDir);
}

TEST_F(MailboxQuotaTest, FailedWriteKeepsTheWorkingDirectoryAndNoScratchFile) {
    // maildirsize cannot be replaced while a directory holds its name.
    fs::create_directories(MAILDIR + "/maildirsize/in-the-way");
    try {
        maildirs.setMailboxQuota(DOMAIN, "joe", 1000);
        ADD_FAILURE() << "no error when maildirsize cannot be written";
    } catch (const fs::filesystem_error& e) {
        EXPECT_EQ(std::string(e.what()).rfind("create maildirsize: ", 0), 0u) << e.what();
        EXPECT_EQ(e.path1().string(), MAILDIR);
        EXPECT_EQ(e.code().value(), 0);
    }
    EXPECT_EQ(cwd(), startDir);
    EXPECT_TRUE(fs::is_empty(MAILDIR + "/tmp"));
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
