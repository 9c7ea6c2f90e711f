// Adds and removes from many processes while another one rewrites the same
// table over and over: no change that reported success may be lost.
#include <signal.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "mail/postfix/tables/database_helper.h"
#include "tests/sandboxed/tables/table_support.h"

namespace {

using quarn::mail::postfix::DatabaseHelper;
using tabletest::KeepAll;
using testsupport::Records;

const int Writers = 8;
const int Changes = 100;  // adds and as many removes, per writer

/// The key of change `i` of `writer`: the one it adds or the seed it removes.
std::string key(const char* kind, int writer, int i) {
    return kind + std::to_string(writer) + "_" + std::to_string(i) + "@x.test";
}

int runWriter(const std::string& map, int writer) {
    for (int i = 0; i < Changes; ++i) {
        try {
            DatabaseHelper::addRecord(map, key("add", writer, i), "v@y.test");
            DatabaseHelper::removeRecord(map, key("seed", writer, i));
        } catch (const std::exception& e) {
            std::fprintf(stderr, "writer %d, change %d: %s\n", writer, i, e.what());
            return 1;
        }
    }
    return 0;
}

TEST(TableRaceHeavy, ChangesDuringRewritesAreKept) {
    tabletest::ScratchTable t("race");
    Records seeds, want;
    for (int w = 0; w < Writers; ++w) {
        for (int i = 0; i < Changes; ++i) {
            seeds[key("seed", w, i)] = "s@y.test";
            want[key("add", w, i)] = "v@y.test";
        }
    }
    seeds["kept@x.test"] = want["kept@x.test"] = "k@y.test";
    t.fill(seeds);

    // The rewriter runs until it is told to stop by a signal, between rewrites.
    pid_t rewriter = tabletest::forkRunning([&] {
        static std::atomic<bool> stop(false);
        signal(SIGTERM, [](int) { stop = true; });
        int rewrites = 0;
        while (!stop) {
            try {
                DatabaseHelper::filterElements(t.map(), KeepAll());
                ++rewrites;
            } catch (const std::exception& e) {
                std::fprintf(stderr, "rewrite: %s\n", e.what());
                return 1;
            }
        }
        std::printf("%d rewrites ran beside the writers\n", rewrites);
        std::fflush(stdout);
        return rewrites > 0 ? 0 : 2;
    });
    std::vector<pid_t> writers;
    for (int w = 0; w < Writers; ++w)
        writers.push_back(tabletest::forkRunning([&, w] { return runWriter(t.map(), w); }));
    for (int w = 0; w < Writers; ++w)
        EXPECT_EQ(0, tabletest::waitFor(writers[w])) << "writer " << w;
    kill(rewriter, SIGTERM);
    EXPECT_EQ(0, tabletest::waitFor(rewriter)) << "rewriter";

    Records got = t.dump();
    int lost = 0, back = 0;
    for (const auto& kv : want)
        lost += got.count(kv.first) == 0;
    for (const auto& kv : seeds)
        back += kv.first != "kept@x.test" && got.count(kv.first) != 0;
    EXPECT_EQ(0, lost) << "adds lost";
    EXPECT_EQ(0, back) << "removed records back";
    EXPECT_EQ(want.size(), got.size()) << "records in the table";
    EXPECT_TRUE(tabletest::scratchFiles(t.path()).empty());
}

}  // namespace
