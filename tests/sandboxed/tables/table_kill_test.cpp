// Rewrites of a large table killed at random moments, in the rewriting
// process or in its postmap: the table is always the old or the new one,
// whole, and the next rewrite cleans up and succeeds.
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iterator>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "mail/postfix/tables/database_helper.h"
#include "tests/sandboxed/tables/table_support.h"

namespace {

using quarn::mail::postfix::DatabaseHelper;
using Clock = std::chrono::steady_clock;

const long RecordCount = 200000;
const int Trials = 50;

// The record set of the table as one number, whatever the dump's order.
unsigned long long fingerprint(const std::string& map) {
    std::string text = testsupport::capture("/usr/sbin/postmap -s " + map);
    std::string_view rest(text);
    unsigned long long sum = 0;
    std::hash<std::string_view> hash;
    for (std::size_t end; (end = rest.find('\n')) != std::string_view::npos;
         rest.remove_prefix(end + 1))
        sum += hash(rest.substr(0, end)) * 2654435761ULL + 1;
    return sum;
}

// The children of `pid` (postmap of the rewrite), from /proc.
std::vector<pid_t> childrenOf(pid_t pid) {
    const std::string id = std::to_string(pid);
    std::ifstream in("/proc/" + id + "/task/" + id + "/children");
    return std::vector<pid_t>(std::istream_iterator<pid_t>(in), std::istream_iterator<pid_t>());
}

pid_t startRewrite(const std::string& map) {
    return tabletest::forkRunning([&] {
        auto rewrite = [&] { DatabaseHelper::filterElements(map, tabletest::Toggle()); };
        return tabletest::errorOf<std::exception>(rewrite) == "(no error)" ? 0 : 1;
    });
}

// The seconds one rewrite takes when nothing kills it; fails the test if it fails.
double unkilledSeconds(const std::string& map) {
    Clock::time_point start = Clock::now();
    EXPECT_EQ(0, tabletest::waitFor(startRewrite(map)));
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Kills the rewrite itself, or else whichever postmap it runs at that moment.
void killAfter(pid_t rewrite, double seconds, bool postmap) {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    pid_t victim = rewrite;
    for (int tries = 0; postmap && tries < 50; ++tries) {
        std::vector<pid_t> children = childrenOf(rewrite);
        if (!children.empty()) {
            victim = children.front();
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    kill(victim, SIGKILL);
}

TEST(TableKillHeavy, KilledRewritesLeaveTheOldOrTheNewTable) {
    tabletest::ScratchTable t("kill");
    testsupport::Records records;
    for (long i = 0; i < RecordCount; ++i)
        records["k" + std::to_string(i)] = "u" + std::to_string(i) + "@a.test";
    t.fill(records);
    const unsigned long long before = fingerprint(t.map());
    double whole = unkilledSeconds(t.map());
    const unsigned long long after = fingerprint(t.map());
    ASSERT_NE(before, after);
    // The shortest unkilled run sets the kill moments: when the machine's load
    // falls, a longer measure would bring every kill after the end.
    whole = std::min(whole, unkilledSeconds(t.map()));
    ASSERT_EQ(before, fingerprint(t.map()));

    std::mt19937 random(12345);
    // A little past the end, so that some kills meet a finished rewrite.
    std::uniform_real_distribution<double> moment(0, whole * 1.1);
    std::printf("an unkilled rewrite takes %.2f s\n", whole);
    int completed = 0;
    for (int trial = 0; trial < Trials; ++trial) {
        pid_t rewrite = startRewrite(t.map());
        killAfter(rewrite, moment(random), trial % 2 == 1);
        if (tabletest::waitFor(rewrite) == 0)
            ++completed;
        unsigned long long got = fingerprint(t.map());
        ASSERT_TRUE(got == before || got == after)
            << "trial " << trial << ": a mixed table of " << t.dump().size() << " records, "
            << testsupport::capture("ls -la " + tabletest::TABLES + "; /usr/sbin/postmap -s " +
                                    t.map() + " 2>&1 >/dev/null");
        if (trial % 10 == 9) {
            whole = std::min(whole, unkilledSeconds(t.map()));
            moment = std::uniform_real_distribution<double>(0, whole * 1.1);
            EXPECT_TRUE(tabletest::scratchFiles(t.path()).empty()) << "trial " << trial;
        }
    }
    std::printf("%d of %d killed rewrites had finished\n", completed, Trials);
    EXPECT_LT(completed, Trials / 2) << "the kills came too late to test anything";
    EXPECT_FALSE(tabletest::exists(t.path()));
}

}  // namespace
