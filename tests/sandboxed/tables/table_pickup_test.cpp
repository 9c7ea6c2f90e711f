// A table replaced by a rename reaches the running Postfix: its daemons
// notice that the file they opened is gone and start again with the new one.
#include <cstdlib>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "mail/lib/storage/maildir_manager.h"
#include "mail/postfix/accounts/domain_manager.h"
#include "mail/postfix/tables/database_helper.h"
#include "mail/postfix/tables/table_names.h"
#include "tests/sandboxed/tables/table_dump.h"

namespace {

namespace tables = quarn::mail::postfix::tables;
using quarn::mail::MaildirManager;
using quarn::mail::postfix::DatabaseHelper;
using quarn::mail::postfix::DomainManager;
using quarn::mail::postfix::database::ReplaceElementFilterRef;

void shell(const std::string& command) {
    if (std::system(command.c_str()) != 0)
        throw std::runtime_error("failed: " + command);
}

// True once mail has arrived in the Maildir of `mailname` at pickup.example.
bool delivered(const std::string& mailname) {
    const char* dir = std::getenv("MXWARDEN_SANDBOX_DIR");
    return dir && !testsupport::capture(std::string(dir) +
                                        "/wait-delivery /var/qmail/mailnames/pickup.example/" +
                                        mailname + "/Maildir 20")
                       .empty();
}

class TablePickupTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { shell("/usr/sbin/postfix start >/dev/null 2>&1"); }
    static void TearDownTestSuite() { std::system("/usr/sbin/postfix stop >/dev/null 2>&1"); }
};

TEST_F(TablePickupTest, RunningPostfixFollowsARewrite) {
    DomainManager::createDomain("pickup.example", false);
    for (const char* name : {"ann", "bob"}) {
        MaildirManager::getInstance().createMailnameHome("pickup.example", name);
        DatabaseHelper::addRecord(tables::VMAILBOX, std::string(name) + "@pickup.example",
                                  "pickup.example/" + std::string(name) + "/Maildir/");
    }
    DatabaseHelper::addRecord(tables::VIRTUAL, "joe@pickup.example", "ann@pickup.example");
    shell("echo first | /usr/sbin/sendmail -f sender@example.org joe@pickup.example");
    ASSERT_TRUE(delivered("ann")) << "the first message never reached ann";

    std::string from = "ann@pickup.example", to = "bob@pickup.example";
    DatabaseHelper::filterElements(tables::VIRTUAL, ReplaceElementFilterRef(from, to));
    shell("echo second | /usr/sbin/sendmail -f sender@example.org joe@pickup.example");
    EXPECT_TRUE(delivered("bob")) << "the running Postfix kept the replaced table";
}

}  // namespace
