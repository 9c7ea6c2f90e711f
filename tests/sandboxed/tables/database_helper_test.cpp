// Lookup table changes against the real postmap, on scratch hash tables of
// the sandbox's /var/spool/postfix/quarn.
#include "mail/postfix/tables/batch_database_helper.h"
#include "mail/postfix/tables/database_helper.h"
#include "mail/postfix/tables/postfix_errors.h"

#include <signal.h>

#include <cstdio>
#include <functional>
#include <list>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "lib/util/mk_lock.h"
#include "tests/sandboxed/tables/table_support.h"

namespace {

using quarn::mail::postfix::BatchDatabaseHelper;
using quarn::mail::postfix::DatabaseHelper;
using quarn::mail::postfix::PostfixConfigurationError;
using quarn::mail::postfix::PostfixDatabaseError;
using tabletest::errorOf;
using tabletest::TABLES;
using tabletest::exists;
using tabletest::scratchFiles;
using tabletest::ScratchTable;
using tabletest::throwsWith;
using tabletest::withFakePostmap;
using testsupport::Records;
using testsupport::show;
using Pairs = std::vector<std::pair<std::string, std::string>>;
using PairList = std::list<std::pair<std::string, std::string>>;
using Keys = std::list<std::string>;

// Element filter that drops the elements of one domain.
struct DropDomain {
    std::string domain;
    bool operator()(std::string& element) const {
        std::string::size_type at = element.find('@');
        return at == std::string::npos || element.substr(at + 1) != domain;
    }
};

TEST(DatabaseHelper, ChangesLeaveWhatPostmapDumps) {
    struct Case {
        const char* name;
        Records before;
        std::function<void(const std::string& map)> op;
        Records want;
    } cases[] = {
        {"add overwrites, the last duplicate wins, blanks stay in the value",
         {{"a", "old"}},
         [](const std::string& m) {
             DatabaseHelper::addRecord(m, "a", "new");
             Pairs v{{"b", "p@y.test, q@y.test"}, {"c", "1"}, {"c", "2"}};
             DatabaseHelper::addRecords(m, v.begin(), v.end());
             PairList l{{"d", "4"}};
             DatabaseHelper::addRecords(m, l.begin(), l.end());
         },
         {{"a", "new"}, {"b", "p@y.test, q@y.test"}, {"c", "2"}, {"d", "4"}}},
        {"remove: missing keys are no error",
         {{"a", "1"}, {"b", "2"}, {"c", "3"}, {"d", "4"}},
         [](const std::string& m) {
             DatabaseHelper::removeRecord(m, "a");
             DatabaseHelper::removeRecord(m, "missing");
             Keys k{"b", "missing", "c"};
             DatabaseHelper::removeRecords(m, k.begin(), k.end());
         },
         {{"d", "4"}}},
        {"replace keeps exactly the given records",
         {{"old", "gone"}},
         [](const std::string& m) {
             Pairs v{{"a", "1"}, {"b", "x@y.test, z@y.test"}};
             DatabaseHelper::replaceRecords(m, v.begin(), v.end());
         },
         {{"a", "1"}, {"b", "x@y.test, z@y.test"}}},
        {"filter drops elements and emptied records",
         {{"a@x.test", "m@gone.test,  n@y.test"}, {"b@x.test", "m@gone.test"},
          {"c@gone.test", "n@y.test"}, {"d@x.test", "/mail/m/"}},
         [](const std::string& m) { DatabaseHelper::filterElements(m, DropDomain{"gone.test"}); },
         {{"a@x.test", "n@y.test"}, {"d@x.test", "/mail/m/"}}},
    };
    for (const Case& c : cases) {
        ScratchTable t("changes");
        t.fill(c.before);
        c.op(t.map());
        EXPECT_EQ(c.want, t.dump()) << c.name << ": got " << show(t.dump()) << ", want "
                                    << show(c.want);
        EXPECT_FALSE(exists(t.path())) << c.name << ": a file at the source path";
        EXPECT_TRUE(scratchFiles(t.path()).empty()) << c.name << ": scratch files left";
    }
}

TEST(DatabaseHelper, EmptyRangesStartNothing) {
    // The map cannot be opened: any postmap run would fail.
    const std::string none = "hash:" + TABLES + "no_such_dir/none";
    Pairs pairs;
    Keys keys;
    EXPECT_NO_THROW(DatabaseHelper::addRecords(none, pairs.begin(), pairs.end()));
    EXPECT_NO_THROW(DatabaseHelper::removeRecords(none, keys.begin(), keys.end()));
}

// postmap's own failures, one for each stage a change can fail in: the error
// type tells a lookup from a rebuild, the message carries postmap's text and
// no scratch file stays. (Real postmap failures: the batch test below.)
TEST(DatabaseHelper, StandInPostmapFailures) {
    const std::string map = "hash:" + TABLES + "t_stand_in_" + std::to_string(getpid());
    Pairs pairs{{"a", "1"}};
    // Twenty numbered warnings: the message keeps four at each end.
    std::string bounded;
    for (int i : {1, 2, 3, 4})
        bounded += "postmap: warning: line " + std::to_string(i) + "\n";
    bounded += "[... 12 lines left out ...]\n";
    for (int i : {17, 18, 19, 20})
        bounded += "postmap: warning: line " + std::to_string(i) + "\n";
    auto add = [&] { DatabaseHelper::addRecords(map, pairs.begin(), pairs.end()); };
    auto replace = [&] { DatabaseHelper::replaceRecords(map, pairs.begin(), pairs.end()); };
    auto filter = [&] { DatabaseHelper::filterElements(map, DropDomain{"x"}); };
    auto remove = [&] { DatabaseHelper::removeRecord(map, "a"); };
    const std::string fatal =
        "case \"$1\" in -s) echo 'a 1';; *) echo 'postmap: fatal: x' >&2; exit 1;; esac";
    const std::string twenty =
        "for i in $(seq 1 20); do echo \"postmap: warning: line $i\" >&2; done; exit 1";
    struct Case {
        const char* name;
        std::string script;
        std::function<void()> op;
        bool databaseError;  ///< PostfixDatabaseError, else PostfixConfigurationError
        const char* want;    ///< the message; null when the change succeeds
    } cases[] = {
        {"add exit 1", "cat >/dev/null; exit 1", add, false, "unknown error"},
        {"replace exit 1", "exit 1", replace, false, "unknown error"},
        {"filter exit 3", "exit 3", filter, false, "unknown error"},
        {"filter dump fails", "echo 'postmap: fatal: y' >&2; exit 1", filter, false,
         "postmap: fatal: y\n"},
        {"filter rebuild fails", fatal, filter, false, "postmap: fatal: x\n"},
        {"long text is bounded", twenty, replace, false, bounded.c_str()},
        {"remove killed", "kill -9 $$", remove, true, ""},
        {"remove exit 1 with error", "echo 'postmap: error: broken' >&2; exit 1", remove, true,
         "postmap: error: broken\n"},
        {"remove exit 1 with warning", "echo 'postmap: warning: odd: x' >&2; exit 1", remove, true,
         nullptr},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(0, withFakePostmap(c.script, [&] {
            if (!c.want) {
                c.op();
                return 0;
            }
            return c.databaseError ? throwsWith<PostfixDatabaseError>(c.op, c.want)
                                   : throwsWith<PostfixConfigurationError>(c.op, c.want);
        })) << c.name;
        EXPECT_TRUE(scratchFiles(TABLES + "t_stand_in_" + std::to_string(getpid())).empty())
            << c.name << ": scratch files left";
    }
}

// Record filter that counts the records it saw without the table lock.
struct LockProbe {
    std::string source;
    int* unlocked;
    bool operator()(std::string&) const {
        try {
            quarn::MKLock probe(source, 0, 1);
            ++*unlocked;
        } catch (const std::runtime_error&) {
        }
        return true;
    }
};

// Every change holds the table lock while postmap runs and while it filters,
// and lets it go at the end.
TEST(DatabaseHelper, EveryChangeHoldsTheLock) {
    ScratchTable t("locked");
    t.fill({{"a", "1"}, {"b", "2"}});
    // The stand-in fails when it can take the table lock itself.
    const std::string script = "flock -n " + quarn::mk_flock_path(t.path()) +
                               " true && { echo 'postmap: fatal: unlocked' >&2; exit 1; }\n"
                               "exec $REAL_POSTMAP \"$@\"";
    Pairs pairs{{"c", "3"}};
    Keys keys{"c"};
    int unlocked = 0;
    EXPECT_EQ(0, withFakePostmap(script, [&] {
        const std::string error = errorOf<std::exception>([&] {
            DatabaseHelper::addRecords(t.map(), pairs.begin(), pairs.end());
            DatabaseHelper::removeRecords(t.map(), keys.begin(), keys.end());
            DatabaseHelper::removeRecord(t.map(), "b");
            DatabaseHelper::replaceRecords(t.map(), pairs.begin(), pairs.end());
            DatabaseHelper::filterRecords(t.map(), LockProbe{t.path(), &unlocked});
            quarn::MKLock after(t.path(), 0, 1);
        });
        if (error != "(no error)" || unlocked != 0)
            std::fprintf(stderr, "%s; %d records filtered unlocked\n", error.c_str(), unlocked);
        return error == "(no error)" && unlocked == 0 ? 0 : 1;
    }));
    EXPECT_EQ((Records{{"c", "3"}}), t.dump());
}

TEST(DatabaseHelper, LockOutlivesAKilledRunWhilePostmapRuns) {
    ScratchTable t("orphan");
    const std::string started = "/tmp/t_orphan_started_" + std::to_string(getpid());
    const std::string script = "touch " + started + "; sleep 1; exec $REAL_POSTMAP \"$@\"";
    EXPECT_EQ(0, withFakePostmap(script, [&] {
        pid_t run = tabletest::forkRunning([&] {
            DatabaseHelper::addRecord(t.map(), "a", "1");
            return 0;
        });
        while (!exists(started))
            usleep(10000);
        kill(run, SIGKILL);
        tabletest::waitFor(run);
        int rc = throwsWith<std::runtime_error>([&] { quarn::MKLock(t.path(), 0, 1); },
                                                nullptr);
        quarn::MKLock wait(t.path());  // granted once the orphan has ended
        unlink(started.c_str());
        return rc;
    }));
    EXPECT_EQ((Records{{"a", "1"}}), t.dump()) << "the orphaned postmap finishes its change";
}

TEST(BatchDatabaseHelper, AppliesAtOnceAndKeepsEarlierChanges) {
    ScratchTable t("batch");
    const std::string missing = "hash:" + TABLES + "no_such_dir/none";
    BatchDatabaseHelper batch(true, true);
    batch.addChange(t.map(), "a", "1");
    EXPECT_EQ((Records{{"a", "1"}}), t.dump()) << "change not applied when recorded";
    PairList more{{"b", "2"}, {"a", "3"}};
    batch.addChanges(t.map(), more.begin(), more.end());
    // Real postmap failures: the type tells the stage, the text is postmap's.
    auto addMissing = [&] { batch.addChange(missing, "c", "3"); };
    EXPECT_NE(std::string::npos, errorOf<PostfixConfigurationError>(addMissing).find("fatal:"));
    Keys keys{"c"};
    auto removeMissing = [&] { batch.removeChanges(missing, keys.begin(), keys.end()); };
    EXPECT_NE(std::string::npos, errorOf<PostfixDatabaseError>(removeMissing).find("fatal:"));
    EXPECT_EQ((Records{{"a", "3"}, {"b", "2"}}), t.dump());
    Keys drop{"b"};
    batch.removeChanges(t.map(), drop.begin(), drop.end());
    EXPECT_EQ((Records{{"a", "3"}}), t.dump());
}

}  // namespace
