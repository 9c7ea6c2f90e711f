// The mail-handlers database functions against a real SQLite file read
// back with the sqlite3 tool.
#include "mail/lib/handlers/mh_db_change.h"
#include "mail/lib/handlers/mh_db_clone.h"
#include "mail/lib/handlers/mh_db_list.h"

#include "tests/sandboxed/handlers/mh_db_fixture.h"
#include "tests/support/child_processes.h"
#include "tests/support/file_text.h"
#include "tests/support/log_capture.h"

#include <chrono>
#include <functional>
#include <string>

#include <gtest/gtest.h>

namespace {

using quarn::MhRecord;
using testsupport::fill;
using testsupport::LogCapture;
using testsupport::MhDbTest;

/// mh_db_add of a handler with the given fields.
int add(int type, int queue, int priority, const char* name, const char* address,
        const char* executable, const char* context, int enabled) {
    MhRecord r;
    fill(r, type, queue, priority, name, address, executable, context, enabled);
    return mh_db_add(nullptr, &r);
}

// spam for info@a.test, av for the domain a.test, spam for x@xa.test (an
// address that merely contains "a.test") and a global dkim for "all" and
// "all-recipients".
void seed() {
    ASSERT_EQ(0, add(MH_TYPE_RECIPIENT, MH_QUEUE_BEFORE_LOCAL, 10, "spam", "info@a.test",
                     "/bin/spam", "c1", 1));
    ASSERT_EQ(0, add(MH_TYPE_RECIPIENT_DOMAIN, MH_QUEUE_BEFORE_QUEUE, 20, "av", "a.test",
                     "/bin/av", nullptr, 0));
    ASSERT_EQ(0, add(MH_TYPE_SENDER, MH_QUEUE_BEFORE_DATA, 30, "spam", "x@xa.test", "/bin/spam",
                     "c3", 1));
    for (const char* all : {"", "all-recipients"})
        ASSERT_EQ(0, add(MH_TYPE_GLOBAL, MH_QUEUE_BEFORE_REMOTE, 40, "dkim", all, "/bin/dkim",
                         "c4", 1));
}

const std::string SPAM_INFO = "2|1|1|10|spam|info@a.test|/bin/spam|c1\n";
const std::string AV = "1|3|0|20|av|a.test|/bin/av|none\n";
const std::string SPAM_X = "0|0|1|30|spam|x@xa.test|/bin/spam|c3\n";
const std::string DKIM =
    "3|4|1|40|dkim|all|/bin/dkim|c4\n3|4|1|40|dkim|all-recipients|/bin/dkim|c4\n";
const std::string SEEDED = AV + DKIM + SPAM_INFO + SPAM_X;

TEST_F(MhDbTest, ChangesLeaveTheirRows) {
    struct Case {
        const char* name;
        std::function<int()> op;
        int want;
        std::string wantRows;
        std::string wantLog;
    };
    const Case cases[] = {
        {"global handler with a mail address",
         [] {
             return add(MH_TYPE_GLOBAL, MH_QUEUE_BEFORE_DATA, 1, "g", "info@a.test", "/bin/g",
                        "c", 1);
         },
         -1, SEEDED,
         "Incorrect recipient address for global handler, expected "
         "[NULL|EMPTY_STRING|all|all-recipients]|"},
        {"same handler again replaces it",
         [] {
             return add(MH_TYPE_RECIPIENT, MH_QUEUE_BEFORE_LOCAL, 99, "spam", "info@a.test",
                        "/bin/spam", "c1", 0);
         },
         0, AV + DKIM + "2|1|0|99|spam|info@a.test|/bin/spam|c1\n" + SPAM_X, ""},
        {"remove by address", [] { return mh_db_remove_addr(nullptr, "a.test"); }, 0,
         DKIM + SPAM_INFO + SPAM_X, ""},
        {"remove by name", [] { return mh_db_remove_name(nullptr, "spam"); }, 0, AV + DKIM, ""},
        // Every address holding the text, in any case of ASCII letters.
        {"switch by address", [] { return mh_db_switch_by_addr(nullptr, "A.TEST", 0); }, 0,
         AV + DKIM +
             "2|1|0|10|spam|info@a.test|/bin/spam|c1\n0|0|0|30|spam|x@xa.test|/bin/spam|c3\n",
         ""},
        {"clone a mailname",
         [] { return mh_db_clone(nullptr, "info", "a.test", "boss", "b.test"); }, 0,
         AV + DKIM + "2|1|1|10|spam|boss@b.test|/bin/spam|c1\n" + SPAM_INFO + SPAM_X, ""},
        {"clone a domain",
         [] { return mh_db_clone(nullptr, nullptr, "a.test", nullptr, "b.test"); }, 0,
         AV + "1|3|0|20|av|b.test|/bin/av|none\n" + DKIM + SPAM_INFO +
             "2|1|1|10|spam|info@b.test|/bin/spam|c1\n0|0|1|30|spam|x@b.test|/bin/spam|c3\n" +
             SPAM_X,
         ""},
    };
    for (const Case& c : cases) {
        empty();
        seed();
        LogCapture log;
        EXPECT_EQ(c.op(), c.want) << c.name;
        EXPECT_EQ(log.text(), c.wantLog) << c.name;
        EXPECT_EQ(rows(), c.wantRows) << c.name;
    }
}

TEST_F(MhDbTest, MissingDatabaseOrTableFailsEveryCall) {
    // An empty file, as a fresh system has it, holds no table.
    std::string emptyFile = dir_.write("empty.db", "");
    std::string missing = dir_.file("missing.db");
    struct Case {
        const char* name;
        const std::string& path;
        int (*op)();
        std::string wantLog;
    };
    const Case cases[] = {
        {"no table", emptyFile, [] { return mh_db_remove_name(nullptr, "x"); },
         "Unable to prepare SQL statement for query 'DELETE FROM handlers WHERE name=?': no such "
         "table: handlers|"},
        {"no file", missing, [] { return mh_db_remove_name(nullptr, "x"); },
         "Unable to open database " + missing + ": unable to open database file|"},
        {"no file, remove all", missing, [] { return mh_db_remove_all(nullptr, "x"); },
         "Unable to open database(readonly) " + missing + ": unable to open database file|"},
    };
    for (const Case& c : cases) {
        mh_db_path = c.path.c_str();
        LogCapture log;
        EXPECT_EQ(c.op(), -1) << c.name;
        EXPECT_EQ(log.text(), c.wantLog) << c.name;
        EXPECT_FALSE(testsupport::readFileIfAny(missing)) << c.name << ": database created";
    }
}

TEST_F(MhDbTest, TwentyProcessesAddHandlersAtOnce) {
    const int writers = 20;
    auto start = std::chrono::steady_clock::now();
    testsupport::ReadyChild reader([&](int fd) { testsupport::holdSqliteRead(path_, "handlers", fd); });
    std::vector<int> statuses = testsupport::runInChildren(writers, [](int i) {
        quarn::MhList list;
        for (int hook = 0; hook < 3; ++hook) {
            MhRecord r;
            fill(r, MH_TYPE_RECIPIENT, hook, i, "h", ("u" + std::to_string(i) + "@c.test").c_str(),
                 "/bin/h", "ctx", 1);
            mh_list_add(&list, &r);
        }
        return mh_db_do(&list, nullptr, mh_db_add) == 0 ? 0 : 1;
    });
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(statuses, std::vector<int>(writers, 0));
    EXPECT_GE(seconds, 0.9) << "the writers did not wait for the reader";
    EXPECT_EQ(
        testsupport::sqliteRows(path_, "SELECT count(*), count(DISTINCT address) FROM handlers"),
        "60|20\n");
}

}  // namespace
