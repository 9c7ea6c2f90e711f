// Lookup table changes against the real postmap, on scratch hash tables of
// the sandbox's /var/spool/postfix/quarn.
#include "mail/postfix/tables/batch_database_helper.h"
#include "mail/postfix/tables/database_helper.h"
#include "mail/postfix/tables/postfix_errors.h"

#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <list>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "lib/util/mk_lock.h"
#include "tests/sandboxed/tables/table_dump.h"

namespace {

using quarn::mail::postfix::BatchDatabaseHelper;
using quarn::mail::postfix::DatabaseHelper;
using quarn::mail::postfix::PostfixConfigurationError;
using quarn::mail::postfix::PostfixDatabaseError;
using quarn::mail::postfix::database::ElementsFilter;
using quarn::mail::postfix::database::KeyValueFilter;
using quarn::mail::postfix::database::ReplaceElementFilterRef;
using testsupport::capture;
using testsupport::Records;
using testsupport::show;
using Pairs = std::vector<std::pair<std::string, std::string>>;

const std::string DIR = "/var/spool/postfix/quarn/";

bool exists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

/// An empty hash table of its own, removed with its files at the end.
class ScratchTable {
public:
    explicit ScratchTable(const std::string& name)
        : path_(DIR + "dbh_" + name + "_" + std::to_string(getpid())), map_("hash:" + path_) {
        std::ofstream(path_.c_str(), std::ios::trunc).close();
        if (std::system(("/usr/sbin/postmap " + map_).c_str()) != 0)
            throw std::runtime_error("postmap " + map_ + " failed");
        unlink(path_.c_str());
    }
    ~ScratchTable() {
        unlink(path_.c_str());
        unlink((path_ + ".db").c_str());
    }
    ScratchTable(const ScratchTable&) = delete;
    ScratchTable& operator=(const ScratchTable&) = delete;

    const std::string& map() const { return map_; }
    const std::string& path() const { return path_; }

    /// Every record, read back from postmap's dump.
    Records dump() const { return testsupport::dumpTable(map_); }
    /// postmap -q; empty when the key is missing.
    std::string query(const std::string& key) const {
        std::string v = capture("/usr/sbin/postmap -q '" + key + "' " + map_);
        if (!v.empty() && v.back() == '\n')
            v.pop_back();
        return v;
    }

private:
    std::string path_;
    std::string map_;
};

TEST(DatabaseHelper, AddOverwriteAndBlanks) {
    ScratchTable t("add");
    DatabaseHelper::addRecord(t.map(), "a@x.test", "one@y.test");
    DatabaseHelper::addRecord(t.map(), "a@x.test", "two@y.test");
    Pairs pairs{{"b@x.test", "p@y.test, q@y.test"}, {"c@x.test", "1"}, {"c@x.test", "2"}};
    DatabaseHelper::addRecords(t.map(), pairs.begin(), pairs.end());
    std::list<std::pair<std::string, std::string>> list{{"d@x.test", "4"}};
    DatabaseHelper::addRecords(t.map(), list.begin(), list.end());
    Records want{{"a@x.test", "two@y.test"},
                 {"b@x.test", "p@y.test, q@y.test"},
                 {"c@x.test", "2"},
                 {"d@x.test", "4"}};
    EXPECT_EQ(want, t.dump()) << "got " << show(t.dump()) << ", want " << show(want);
    EXPECT_EQ("p@y.test, q@y.test", t.query("b@x.test"));
    EXPECT_FALSE(exists(t.path())) << "source file written by an incremental add";
}

TEST(DatabaseHelper, EmptyRangesStartNothing) {
    // The map cannot be opened: any postmap run would fail.
    const std::string none = "hash:" + DIR + "no_such_dir/none";
    Pairs pairs;
    std::list<std::string> keys;
    EXPECT_NO_THROW(DatabaseHelper::addRecords(none, pairs.begin(), pairs.end()));
    EXPECT_NO_THROW(DatabaseHelper::removeRecords(none, keys.begin(), keys.end()));
}

TEST(DatabaseHelper, Remove) {
    ScratchTable t("remove");
    Pairs pairs{{"a", "1"}, {"b", "2"}, {"c", "3"}, {"d", "4"}};
    DatabaseHelper::addRecords(t.map(), pairs.begin(), pairs.end());
    DatabaseHelper::removeRecord(t.map(), "a");
    EXPECT_NO_THROW(DatabaseHelper::removeRecord(t.map(), "missing")) << "missing key";
    // An empty key is refused before postmap runs.
    EXPECT_THROW(DatabaseHelper::removeRecord(t.map(), ""), PostfixDatabaseError) << "empty key";
    std::list<std::string> keys{"b", "missing", "c"};
    DatabaseHelper::removeRecords(t.map(), keys.begin(), keys.end());
    std::list<std::string> missing{"zz"};
    EXPECT_NO_THROW(DatabaseHelper::removeRecords(t.map(), missing.begin(), missing.end()));
    Records want{{"d", "4"}};
    EXPECT_EQ(want, t.dump()) << "got " << show(t.dump()) << ", want " << show(want);
    EXPECT_EQ("", t.query("a"));
}

TEST(DatabaseHelper, RemoveFromMissingTableIsDatabaseError) {
    const std::string none = "hash:" + DIR + "dbh_never_built";
    std::list<std::string> keys{"a"};
    struct Case {
        const char* name;
        std::function<void()> op;
    } cases[] = {
        {"removeRecord", [&] { DatabaseHelper::removeRecord(none, "a"); }},
        {"removeRecords", [&] { DatabaseHelper::removeRecords(none, keys.begin(), keys.end()); }},
    };
    for (const Case& c : cases) {
        try {
            c.op();
            ADD_FAILURE() << c.name << ": no exception, want PostfixDatabaseError";
        } catch (const PostfixDatabaseError& e) {
            EXPECT_NE(std::string::npos, std::string(e.what()).find("fatal:"))
                << c.name << ": got '" << e.what() << "', want postmap's fatal text";
        }
    }
}

TEST(DatabaseHelper, Replace) {
    ScratchTable t("replace");
    DatabaseHelper::addRecord(t.map(), "old", "gone");
    Pairs pairs{{"a", "1"}, {"b", "x@y.test, z@y.test"}};
    DatabaseHelper::replaceRecords(t.map(), pairs.begin(), pairs.end());
    Records want{{"a", "1"}, {"b", "x@y.test, z@y.test"}};
    EXPECT_EQ(want, t.dump()) << "got " << show(t.dump()) << ", want " << show(want);
    EXPECT_FALSE(exists(t.path())) << "source file left after replace";

    std::list<std::pair<std::string, std::string>> none;
    DatabaseHelper::replaceRecords(t.map(), none.begin(), none.end());
    EXPECT_EQ(Records(), t.dump()) << "got " << show(t.dump()) << ", want empty";
    EXPECT_FALSE(exists(t.path())) << "source file left after empty replace";
}

// Element filter that drops the elements of one domain.
struct DropDomain {
    std::string domain;
    bool operator()(std::string& element) const {
        std::string::size_type at = element.find('@');
        return at == std::string::npos || element.substr(at + 1) != domain;
    }
};

TEST(DatabaseHelper, Filter) {
    ScratchTable t("filter");
    Pairs pairs{{"a@x.test", "m@gone.test,  n@y.test"},
                {"b@x.test", "m@gone.test"},
                {"c@gone.test", "n@y.test"},
                {"d@x.test", "/mail/m/"}};
    DatabaseHelper::addRecords(t.map(), pairs.begin(), pairs.end());
    DatabaseHelper::filterElements(t.map(), DropDomain{"gone.test"});
    Records want{{"a@x.test", "n@y.test"}, {"d@x.test", "/mail/m/"}};
    EXPECT_EQ(want, t.dump()) << "got " << show(t.dump()) << ", want " << show(want);
    EXPECT_FALSE(exists(t.path())) << "source file left after filter";

    std::string from = "/mail/m", to = "/mail/n";
    ReplaceElementFilterRef rename(from, to);
    DatabaseHelper::filterRecords(
        t.map(), KeyValueFilter<ReplaceElementFilterRef, ReplaceElementFilterRef>(rename, rename));
    want["d@x.test"] = "/mail/n/";
    EXPECT_EQ(want, t.dump()) << "got " << show(t.dump()) << ", want " << show(want);

    std::string f2 = "n@y.test", t2 = "o@y.test";
    DatabaseHelper::filterRecords(
        t.map(), ElementsFilter<ReplaceElementFilterRef>(ReplaceElementFilterRef(f2, t2)));
    want["a@x.test"] = "o@y.test";
    EXPECT_EQ(want, t.dump()) << "got " << show(t.dump()) << ", want " << show(want);
}

TEST(DatabaseHelper, FilterEmptyTable) {
    ScratchTable t("filter_empty");
    DatabaseHelper::filterElements(t.map(), DropDomain{"x.test"});
    EXPECT_EQ(Records(), t.dump());
    EXPECT_FALSE(exists(t.path()));
}

// Record filter that checks, for every record, that the table lock is held.
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

TEST(DatabaseHelper, FilterHoldsTheLock) {
    ScratchTable t("filter_lock");
    DatabaseHelper::addRecord(t.map(), "a", "1");
    int unlocked = 0;
    DatabaseHelper::filterRecords(t.map(), LockProbe{t.path(), &unlocked});
    EXPECT_EQ(0, unlocked) << "records filtered without the table lock";
    quarn::MKLock after(t.path(), 0, 1);  // released again
}

TEST(DatabaseHelper, BuildFailuresCarryPostmapText) {
    // An unknown table type makes postmap fail after the source was written.
    const std::string source = DIR + "dbh_badtype_" + std::to_string(getpid());
    const std::string bad = "nosuchtype:" + source;
    const std::string missing = "hash:" + DIR + "dbh_never_built";
    Pairs pairs{{"a", "1"}};
    struct Case {
        const char* name;
        std::string source;
        std::function<void()> op;
    } cases[] = {
        {"replaceRecords", source,
         [&] { DatabaseHelper::replaceRecords(bad, pairs.begin(), pairs.end()); }},
        {"addRecords", source, [&] { DatabaseHelper::addRecords(bad, pairs.begin(), pairs.end()); }},
        {"filterRecords dump", DIR + "dbh_never_built",
         [&] { DatabaseHelper::filterElements(missing, DropDomain{"x"}); }},
    };
    for (const Case& c : cases) {
        try {
            c.op();
            ADD_FAILURE() << c.name << ": no exception, want PostfixConfigurationError";
        } catch (const PostfixConfigurationError& e) {
            EXPECT_NE(std::string::npos, std::string(e.what()).find("fatal:"))
                << c.name << ": got '" << e.what() << "', want postmap's fatal text";
        }
        EXPECT_FALSE(exists(c.source)) << c.name << ": source file left after failure";
        unlink(c.source.c_str());
    }
}

/// Runs `op` in a child whose /usr/sbin/postmap is the shell `script`;
/// `op` returns the child's exit status.
int withFakePostmap(const std::string& script, const std::function<int()>& op) {
    pid_t pid = fork();
    if (pid == 0) {
        // A mount namespace of its own keeps the fake out of other tests.
        const std::string fake = "/tmp/dbh_fake_postmap_" + std::to_string(getpid());
        if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr))
            _exit(90);
        {
            std::ofstream out(fake);
            out << "#!/bin/sh\n" << script << "\n";
        }
        chmod(fake.c_str(), 0755);
        if (mount(fake.c_str(), "/usr/sbin/postmap", nullptr, MS_BIND, nullptr) != 0)
            _exit(91);
        int rc = op();
        umount("/usr/sbin/postmap");
        unlink(fake.c_str());
        _exit(rc);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

/// 0 when `op` throws E with the message `want`, 1 otherwise.
template <class E>
int throwsWith(const std::function<void()>& op, const std::string& want) {
    try {
        op();
    } catch (const E& e) {
        if (want == e.what())
            return 0;
        std::fprintf(stderr, "got '%s', want '%s'\n", e.what(), want.c_str());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "got other exception '%s'\n", e.what());
        return 1;
    }
    std::fprintf(stderr, "no exception, want '%s'\n", want.c_str());
    return 1;
}

TEST(DatabaseHelper, SilentFailureIsUnknownError) {
    const std::string source = DIR + "dbh_silent_" + std::to_string(getpid());
    const std::string map = "hash:" + source;
    Pairs pairs{{"a", "1"}};
    struct Case {
        const char* name;
        const char* script;
        std::function<int()> op;
    } cases[] = {
        {"add exit 1", "cat >/dev/null; exit 1",
         [&] {
             return throwsWith<PostfixConfigurationError>(
                 [&] { DatabaseHelper::addRecords(map, pairs.begin(), pairs.end()); },
                 "unknown error");
         }},
        {"replace exit 1", "exit 1",
         [&] {
             return throwsWith<PostfixConfigurationError>(
                 [&] { DatabaseHelper::replaceRecords(map, pairs.begin(), pairs.end()); },
                 "unknown error");
         }},
        {"filter exit 3", "exit 3",
         [&] {
             return throwsWith<PostfixConfigurationError>(
                 [&] { DatabaseHelper::filterElements(map, DropDomain{"x"}); }, "unknown error");
         }},
        {"filter rebuild fails", "case \"$1\" in -s) echo 'a 1';; *) echo 'postmap: fatal: x' >&2; exit 1;; esac",
         [&] {
             return throwsWith<PostfixConfigurationError>(
                 [&] { DatabaseHelper::filterElements(map, DropDomain{"x"}); },
                 "postmap: fatal: x\n");
         }},
        {"remove killed", "kill -9 $$",
         [&] {
             return throwsWith<PostfixDatabaseError>(
                 [&] { DatabaseHelper::removeRecord(map, "a"); }, "");
         }},
        {"remove exit 1 with error", "echo 'postmap: error: broken' >&2; exit 1",
         [&] {
             return throwsWith<PostfixDatabaseError>(
                 [&] { DatabaseHelper::removeRecord(map, "a"); }, "postmap: error: broken\n");
         }},
        {"remove exit 1 with warning", "echo 'postmap: warning: odd: x' >&2; exit 1",
         [&] {
             try {
                 DatabaseHelper::removeRecord(map, "a");
                 return 0;
             } catch (const std::exception& e) {
                 std::fprintf(stderr, "got '%s', want success\n", e.what());
                 return 1;
             }
         }},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(0, withFakePostmap(c.script, c.op)) << c.name;
        EXPECT_FALSE(exists(source)) << c.name << ": source file left";
        unlink(source.c_str());
    }
}

TEST(DatabaseHelper, ConcurrentRewritesLoseNothing) {
    ScratchTable t("concurrent");
    Pairs pairs;
    for (int i = 0; i < 300; ++i)
        pairs.emplace_back("k" + std::to_string(i) + "@x.test", "v" + std::to_string(i) + "@y.test");
    DatabaseHelper::addRecords(t.map(), pairs.begin(), pairs.end());
    Records want(pairs.begin(), pairs.end());
    std::vector<pid_t> children;
    for (int c = 0; c < 2; ++c) {
        pid_t pid = fork();
        if (pid == 0) {
            int rc = 0;
            try {
                for (int round = 0; round < 15; ++round) {
                    if (c == 0)
                        DatabaseHelper::filterElements(t.map(), DropDomain{"none.test"});
                    else
                        DatabaseHelper::replaceRecords(t.map(), pairs.begin(), pairs.end());
                }
            } catch (const std::exception& e) {
                std::fprintf(stderr, "child %d: %s\n", c, e.what());
                rc = 1;
            }
            _exit(rc);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child status " << status;
    }
    Records got = t.dump();
    EXPECT_EQ(want.size(), got.size()) << "records lost";
    EXPECT_EQ(want, got);
    EXPECT_FALSE(exists(t.path()));
}

TEST(BatchDatabaseHelper, AppliesAtOnceAndKeepsEarlierChanges) {
    ScratchTable t("batch");
    const std::string missing = "hash:" + DIR + "no_such_dir/none";
    BatchDatabaseHelper batch(true, true);
    batch.addChange(t.map(), "a", "1");
    EXPECT_EQ("1", t.query("a")) << "change not applied when recorded";
    std::list<std::pair<std::string, std::string>> more{{"b", "2"}, {"a", "3"}};
    batch.addChanges(t.map(), more.begin(), more.end());
    EXPECT_THROW(batch.addChange(missing, "c", "3"), PostfixConfigurationError);
    std::list<std::string> keys{"c"};
    EXPECT_THROW(batch.removeChanges(missing, keys.begin(), keys.end()), PostfixDatabaseError);
    Records want{{"a", "3"}, {"b", "2"}};
    EXPECT_EQ(want, t.dump()) << "got " << show(t.dump()) << ", want " << show(want);
    std::list<std::string> drop{"b"};
    batch.removeChanges(t.map(), drop.begin(), drop.end());
    EXPECT_EQ("", t.query("b"));
}

}  // namespace
