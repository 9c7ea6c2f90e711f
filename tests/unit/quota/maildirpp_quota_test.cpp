// Writing maildirsize: the two lines, the owner, the temporary file that
// never stays behind, and the freshness set-back.
#include "mail/lib/quota/maildirpp_quota.h"
#include "mail/lib/quota/maildirpp_usage.h"
#include "mail/lib/quota/maildirsize_freshness.h"
#include "mail/lib/quota/maildirsize_text.h"

#include <sys/stat.h>
#include <unistd.h>

#include <boost/filesystem.hpp>

#include <cerrno>
#include <ctime>
#include <string>

#include <gtest/gtest.h>

#include "lib/util/umask_guard.h"
#include "lib/util/working_dir_guard.h"
#include "tests/support/printed.h"
#include "tests/support/temp_dir.h"
#include "tests/unit/quota/maildir_tree.h"

namespace {

using testsupport::Printed;
using testsupport::printedBy;

using namespace maildir_tree;
namespace fs = boost::filesystem;

/// A Maildir with 2048 + 100 bytes in 2 messages, written as the test's
/// own user.
struct Mailbox {
    testsupport::TempDir dir;
    std::string maildir = dir.file("Maildir");
    Mailbox() {
        makeMaildir(maildir);
        putFile(maildir + "/new/1.M1P1.host,S=2048:2,", 10);
        putFile(maildir + "/cur/2.M2P2.host:2,S", 100);
    }
    /// write_maildirpp_maildirsize into this Maildir as the test user.
    int write(sizequota_t sq, fcount_t cq) const {
        return write_maildirpp_maildirsize(maildir.c_str(), getuid(), getgid(), sq, cq);
    }
    /// The written maildirsize.
    std::string text() const { return readFile(maildir + "/maildirsize"); }
};

// The file replaces an older one, is the writer's with mode 0644, keeps
// its times when nothing changed during the scan; neither a temporary file
// nor another working directory is left. (The header
// forms are proved with deliverquota, the failures through the storage.)
TEST(WriteMaildirppMaildirsize, ReplacesAnOlderFile) {
    Mailbox m;
    std::ofstream(m.maildir + "/maildirsize") << "1S\n 99999 99\n 1 1\n";
    quarn::UmaskGuard mask(022);
    time_t start = time(nullptr);
    std::string before = cwd();
    ASSERT_EQ(1, m.write(700, 7));
    EXPECT_EQ("700S,7C\n        2148           2\n", m.text());
    EXPECT_EQ(before, cwd());
    EXPECT_TRUE(fs::is_empty(m.maildir + "/tmp")) << "a temporary file is left";
    EXPECT_EQ(ownerAndMode(getuid(), getgid(), 0644), ownerAndMode(m.maildir + "/maildirsize"));
    EXPECT_GE(statOf(m.maildir + "/maildirsize").st_mtime, start) << "not set back";
}

TEST(WriteMaildirppMaildirsize, MissingMaildirFailsInPlace) {
    Mailbox m;
    fs::remove_all(m.maildir);
    std::string before = cwd();
    Printed p = printedBy([&] { return m.write(1000, 0); });
    EXPECT_EQ(0, p.rc);
    EXPECT_EQ(ENOENT, p.error);
    EXPECT_EQ(before, cwd());
}

/// The temporary name the writer forms at the second `when`.
std::string tmpName(time_t when) {
    char host[65] = "";
    gethostname(host, sizeof host - 1);
    return "tmp/" + std::to_string(static_cast<unsigned long>(when)) + "." +
           std::to_string(getpid()) + "." + host + "-maildirsize";
}

TEST(WriteMaildirppMaildirsize, TakenTemporaryNameIsLeftAloneAndTriedAgainLater) {
    Mailbox m;
    time_t now = time(nullptr);
    // The names of this second and the next: the first attempt finds its
    // name taken whenever it starts, the one after the pause is free.
    for (time_t t : {now, now + 1})
        std::ofstream(m.maildir + "/" + tmpName(t)) << "planted";
    ASSERT_EQ(1, m.write(1000, 0));
    EXPECT_EQ("1000S,0C\n", m.text().substr(0, 9));
    for (time_t t : {now, now + 1})
        EXPECT_EQ("planted", readFile(m.maildir + "/" + tmpName(t)))
            << tmpName(t) << " must be neither truncated nor removed";
}

TEST(WriteMaildirppMaildirsize, GivesUpAfterFiveAttempts) {
    Mailbox m;
    fs::remove_all(m.maildir + "/tmp");
    std::string before = cwd();
    Printed p = printedBy([&] { return m.write(1000, 0); });
    EXPECT_EQ(0, p.rc);
    EXPECT_EQ(EAGAIN, p.error);
    const char* want = "Maximal allowed number of attempts to create a maildirsize file exceeded";
    EXPECT_NE(std::string::npos, p.err.find(want)) << p.err;
    EXPECT_FALSE(fs::exists(m.maildir + "/maildirsize"));
    EXPECT_EQ(before, cwd());
}

/// A written Maildir with one folder and a Trash, all its counted
/// directories dated `base`, and maildirsize dated `marker`.
struct Dated : Mailbox {
    time_t base = time(nullptr) - 5000;
    time_t marker = 1000000000;
    Dated() {
        makeMaildir(maildir + "/.Sent");
        makeMaildir(maildir + "/.Trash");
        if (write(1000, 0) != 1)
            throw std::runtime_error("write_maildirpp_maildirsize failed");
        for (const char* d : {"new", "cur", ".Sent/new", ".Sent/cur", ".Trash/new", ".Trash/cur"})
            setTimes(maildir + "/" + d, base);
        setTimes(maildir + "/maildirsize", marker);
    }
};

TEST(MaildirsizeFreshness, SetBackWhenTheMailboxChangedAfterTheScan) {
    struct Case {
        const char* name;
        const char* touched;  // dated base + 100; null: nothing
        bool setBack;
        const char* stray = nullptr;  // a dot-file that is no folder, reported
    } cases[] = {
        {"nothing changed", nullptr, false},
        {"new of the Maildir", "new", true},
        {"cur of a folder", ".Sent/cur", true},
        {"the Trash", ".Trash/new", false},
        {"tmp", "tmp", false},
        {"dot-file", nullptr, false, ".Stray"},
    };
    for (const Case& c : cases) {
        Dated m;
        if (c.touched)
            setTimes(m.maildir + "/" + c.touched, m.base + 100);
        if (c.stray)
            putFile(m.maildir + "/" + c.stray, 1);
        time_t start = time(nullptr);
        quarn::WorkingDirGuard back;
        ASSERT_EQ(0, chdir(m.maildir.c_str()));
        // The scan saw the time of base + 50.
        Printed p = printedBy([&] { return maildirsize_check_freshness("MD", m.base + 50); });
        back.restore();
        EXPECT_EQ(1, p.rc) << c.name;
        std::string err = c.stray ? "Bad/unrecognized entry " + std::string(c.stray) +
                                        " within Maildir folder MD\n"
                                  : "";
        EXPECT_EQ(err, p.err) << c.name;
        struct stat st = statOf(m.maildir + "/maildirsize");
        if (c.setBack) {
            EXPECT_EQ(m.base + 50 - 960, st.st_mtime) << c.name;
            EXPECT_GE(st.st_atime, start) << c.name << ": access time is now";
        } else {
            EXPECT_EQ(m.marker, st.st_mtime) << c.name << ": got " << st.st_mtime;
            EXPECT_EQ(m.marker, st.st_atime) << c.name;
        }
    }
}

}  // namespace
