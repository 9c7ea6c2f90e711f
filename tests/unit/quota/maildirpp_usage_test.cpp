// Usage of a Maildir by scanning and from its maildirsize file, and the
// over-quota check.
#include "mail/lib/quota/maildirpp_usage.h"

#include <sys/stat.h>
#include <unistd.h>

#include <boost/filesystem.hpp>

#include <cerrno>
#include <string>

#include <gtest/gtest.h>

#include "lib/util/working_dir_guard.h"
#include "tests/support/temp_dir.h"
#include "tests/unit/quota/maildir_tree.h"

namespace {

using namespace maildir_tree;
namespace fs = boost::filesystem;

/// A Maildir whose scan finds 2048 + 100 + 500 bytes in 3 messages; the
/// Trash, a non-dot directory, a dot-file and stray top-level files hold
/// more that must not count.
struct ScannedMaildir {
    testsupport::TempDir dir;
    std::string maildir = dir.file("Maildir");
    static constexpr sizequota_t SIZE = 2648;
    static constexpr fcount_t COUNT = 3;

    ScannedMaildir() {
        makeMaildir(maildir);
        putFile(maildir + "/new/1.M1P1.host,S=2048:2,", 10);  // counted by name
        putFile(maildir + "/cur/2.M2P2.host:2,S", 100);       // measured
        makeMaildir(maildir + "/.Sent");
        putFile(maildir + "/.Sent/cur/3.M3P3.host,S=500:2,S", 1);
        makeMaildir(maildir + "/.Trash");
        putFile(maildir + "/.Trash/cur/4.M4P4.host,S=7000:2,S", 1);
        makeMaildir(maildir + "/notdot");
        putFile(maildir + "/notdot/cur/5.M5P5.host,S=9000:2,S", 1);
        putFile(maildir + "/.Dotfile", 3000);
        putFile(maildir + "/tmp/6.M6P6.host,S=8000", 1);
        fs::create_directories(maildir + "/.Empty/tmp");  // a folder without new and cur
    }
    /// Puts `text` in place as the Maildir's maildirsize.
    void maildirsize(const std::string& text) const {
        std::ofstream(maildir + "/maildirsize", std::ios::binary | std::ios::trunc) << text;
    }
};

// The newest time of the directories counted (the Trash is not); the size
// and count they hold are read in the fallback cases below.
TEST(MaildirppMessagesUsage, NewestTimeOfTheDirectoriesCounted) {
    ScannedMaildir m;
    time_t base = time(nullptr) - 1000;
    for (const char* d : {"new", "cur", ".Sent/new", ".Sent/cur", ".Trash/new", ".Trash/cur"})
        setTimes(m.maildir + "/" + d, base);
    setTimes(m.maildir + "/.Sent/new", base + 10);
    setTimes(m.maildir + "/.Trash/cur", base + 500);
    time_t newest = 0;
    sizequota_t size = -1;
    fcount_t count = 99;
    quarn::WorkingDirGuard back;
    ASSERT_EQ(0, chdir(m.maildir.c_str()));
    ASSERT_EQ(1, get_maildirpp_messages_usage(&size, &count, &newest));
    EXPECT_EQ(base + 10, newest);
}

TEST(MaildirppUsageAndLimits, ReadsTheFileOrFallsBackToTheScan) {
    // Files of exactly 5120 and 5121 bytes, their last line padded with blanks.
    const std::string full = "1000S,10C\n" + std::string(5120 - 14, ' ') + "1 1\n";
    const std::string tooLong = "1000S,10C\n" + std::string(5121 - 14, ' ') + "1 1\n";
    const sizequota_t S = ScannedMaildir::SIZE;
    const fcount_t C = ScannedMaildir::COUNT;
    struct Case {
        const char* name;
        const char* text;  // null: no maildirsize
        std::string content;
        int noRecalc;
        int rc;
        sizequota_t size, sizeLimit;
        fcount_t count, countLimit;
    } cases[] = {
        {"good file", "", "1000S,10C\n 500 2\n 100 1\n", 1, 1, 600, 1000, 3, 10},
        {"size-only header", "", "5000S\n 10 1\n", 1, 1, 10, 5000, 1, 0},
        {"last line without line feed, recalculated", "", "1000S,10C\n 500 2\n 100 1", 0, 1, S,
         1000, C, 10},
        {"last line without line feed, no recalculation", "", "1000S,10C\n 500 2", 1, 0, 0, 1000,
         0, 10},
        {"garbage line", "", "1000S,10C\n 500 2\nxyz\n", 0, 1, S, 1000, C, 10},
        {"bad header", "", "-5S\n 1 1\n", 0, 1, S, INT64_MAX, C, UINT64_MAX},
        {"no file, recalculated", nullptr, "", 0, 1, S, INT64_MAX, C, UINT64_MAX},
        {"no file, no recalculation", nullptr, "", 1, 0, 0, INT64_MAX, 0, UINT64_MAX},
        {"5120 bytes", "", full, 1, 1, 1, 1000, 1, 10},
        {"5121 bytes", "", tooLong, 0, 1, S, INT64_MAX, C, UINT64_MAX},
    };
    for (const Case& c : cases) {
        ScannedMaildir m;
        if (c.text)
            m.maildirsize(c.content);
        std::string before = cwd();
        sizequota_t size = -1, sizeLimit = -1;
        fcount_t count = 99, countLimit = 99;
        int rc = get_maildirpp_usage_and_limits(m.maildir.c_str(), c.noRecalc, &size, &count,
                                                &sizeLimit, &countLimit);
        EXPECT_EQ(c.rc, rc) << c.name << ": got " << rc << ", want " << c.rc;
        EXPECT_EQ(before, cwd()) << c.name;
        EXPECT_EQ(c.sizeLimit, sizeLimit) << c.name;
        EXPECT_EQ(c.countLimit, countLimit) << c.name;
        if (rc == 1) {
            EXPECT_EQ(c.size, size) << c.name << ": got " << size << ", want " << c.size;
            EXPECT_EQ(c.count, count) << c.name;
        }
    }
}

TEST(CheckMaildirppOverquota, LimitsAgainstUsageAndDifferences) {
    struct Case {
        const char* name;
        const char* text;  // null: no maildirsize
        sizequota_t sizeDiff;
        long long countDiff;
        int want;
    } cases[] = {
        {"fits", "1000S,10C\n 900 5\n", 50, 1, 0},
        {"reaches the size limit", "1000S,10C\n 900 5\n", 100, 1, 0},
        {"passes the size limit", "1000S,10C\n 900 5\n", 101, 1, 1},
        {"already over, nothing added", "1000S,10C\n 1100 5\n", 0, 0, 1},
        {"already over, removing some", "1000S,10C\n 1100 5\n", -50, 0, 1},
        {"under, removing more than there is", "1000S,10C\n 900 5\n", -5000, 0, 0},
        {"reaches the count limit", "1000S,10C\n 100 9\n", 1, 1, 0},
        {"passes the count limit", "1000S,10C\n 100 9\n", 1, 2, 1},
        {"count over already", "1000S,10C\n 100 12\n", 0, 0, 1},
        {"count back under the limit", "1000S,10C\n 100 12\n", 0, -5, 0},
        {"no size limit", "0S,10C\n 1000000000000 1\n", 1000000000000, 1, 0},
        {"no count limit", "1000S,0C\n 1 1000000\n", 1, 1000000, 0},
        {"size-only header has no count limit", "1000S\n 1 1000000\n", 1, 1, 0},
        {"one byte quota, one byte", "1S,0C\n 0 0\n", 1, 1, 0},
        {"one byte quota, two bytes", "1S,0C\n 0 0\n", 2, 1, 1},
        {"no file is not over quota", nullptr, 1000000, 1000000, 0},
        {"unusable file is not over quota", "1S,0C\n 5 1", 1000000, 1, 0},
    };
    for (const Case& c : cases) {
        ScannedMaildir m;
        if (c.text)
            m.maildirsize(c.text);
        int got = check_maildirpp_overquota(m.maildir.c_str(), c.sizeDiff, c.countDiff);
        EXPECT_EQ(c.want, got) << c.name << ": got " << got << ", want " << c.want;
    }
}

}  // namespace
