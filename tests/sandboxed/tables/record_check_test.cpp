// Records postmap would misread are refused before postmap runs: the table
// stays as it was and the error names the record and the reason.
#include "mail/postfix/tables/database_helper.h"
#include "mail/postfix/tables/postfix_errors.h"

#include <unistd.h>

#include <functional>
#include <list>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "tests/sandboxed/tables/table_support.h"

namespace {

using quarn::mail::postfix::DatabaseHelper;
using quarn::mail::postfix::PostfixDatabaseError;
using Pairs = std::vector<std::pair<std::string, std::string>>;

struct Case {
    const char* what;
    std::string key, value, reason;
};

const Case CASES[] = {
    {"line feed in the key", "a.test\nevil.test", "1", "line break in the key"},
    {"carriage return in the key", "a.test\r", "1", "line break in the key"},
    {"empty key", "", "1", "empty key"},
    {"key starting with a blank", " a.test", "1", "key starts with a blank"},
    {"key starting with #", "#a.test", "1", "key starts with #"},
    {"key -", "-", "1", "key is -"},
    {"line feed in the value", "a@b.test", "x@y.test\nevil.test 1", "line break in the value"},
    {"empty value", "a@b.test", "", "empty value"},
};

TEST(RecordCheck, RefusedRecordsLeaveTheTableAsItWas) {
    tabletest::ScratchTable t("record_check");
    t.fill({{"kept.test", "1"}});
    const std::string& map = t.map();
    const testsupport::Records before = t.dump();
    for (const Case& c : CASES) {
        const Pairs one{{c.key, c.value}};
        const std::list<std::string> keys{c.key};
        std::vector<std::function<void()>> changes{
            [&] { DatabaseHelper::addRecord(map, c.key, c.value); },
            [&] { DatabaseHelper::replaceRecords(map, one.begin(), one.end()); },
        };
        if (c.value == "1") {  // key cases: the removals check keys too
            changes.push_back([&] { DatabaseHelper::removeRecord(map, c.key); });
            changes.push_back(
                [&] { DatabaseHelper::removeRecords(map, keys.begin(), keys.end()); });
        }
        for (const auto& change : changes) {
            std::string error = tabletest::errorOf<PostfixDatabaseError>(change);
            EXPECT_NE(std::string::npos, error.find(c.reason)) << c.what << ": got " << error;
            EXPECT_NE(std::string::npos, error.find(map)) << c.what << ": got " << error;
            EXPECT_EQ(before, t.dump()) << c.what;
        }
    }
}

}  // namespace
