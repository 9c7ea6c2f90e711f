// Many runs setting passwords at once while a reader holds the database.
#include "mail/lib/auth/mail_auth_iterate.h"
#include "mail/lib/auth/mail_auth_user.h"

#include "tests/sandboxed/auth/auth_db_fixture.h"
#include "tests/support/child_processes.h"

#include <chrono>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using testsupport::AuthDbTest;

std::set<std::string> seen;

int remember(const char* address, const char* password, MailAuthFlagsT, void*) {
    seen.insert(std::string(address) + " " + password);
    return 1;
}

TEST_F(AuthDbTest, TwentyWritersWhileAReaderHoldsTheDatabase) {
    const int writers = 20;
    auto start = std::chrono::steady_clock::now();
    testsupport::ReadyChild reader([&](int fd) { testsupport::holdSqliteRead(dbPath_, "users", fd); });
    std::vector<int> statuses = testsupport::runInChildren(writers, [](int i) {
        std::string name = "user" + std::to_string(i);
        return mailAuthSet(name.c_str(), "busy.test", ("pw" + std::to_string(i)).c_str(), 0) == 0
                   ? 0
                   : 1;
    });
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(statuses, std::vector<int>(writers, 0));
    EXPECT_GE(seconds, 0.9) << "the writers did not wait for the reader";
    std::set<std::string> want;
    for (int i = 0; i < writers; ++i)
        want.insert("user" + std::to_string(i) + "@busy.test pw" + std::to_string(i));
    seen.clear();
    EXPECT_EQ(mailAuthIterateAll(remember, nullptr), 1);
    EXPECT_EQ(seen, want);
    EXPECT_EQ(testsupport::sqliteRows(dbPath_, "SELECT count(*) FROM domains"), "1\n");
}

}  // namespace
