// A domain made by the domain manager receives mail from the running
// Postfix, and its bounce record hands the text to the bounce program.
#include "mail/postfix/accounts/domain_manager.h"

#include <sys/stat.h>
#include <unistd.h>

#include <boost/filesystem.hpp>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "mail/lib/storage/maildir_manager.h"
#include "mail/postfix/tables/database_helper.h"
#include "mail/postfix/tables/table_names.h"
#include "tests/support/file_text.h"
#include "tests/sandboxed/tables/table_dump.h"

namespace {

using testsupport::readFile;

namespace fs = boost::filesystem;
namespace tables = quarn::mail::postfix::tables;
using quarn::mail::MaildirManager;
using quarn::mail::postfix::DatabaseHelper;
using quarn::mail::postfix::DomainManager;
using testsupport::capture;

const std::string CALLS = "/run/sandbox/calls";

void shell(const std::string& command) {
    if (std::system(command.c_str()) != 0)
        throw std::runtime_error("failed: " + command);
}

void sendmail(const std::string& recipient, const std::string& subject) {
    shell("printf 'Subject: " + subject + "\\n\\nhello\\n' | /usr/sbin/sendmail -f sender@example.org " +
          recipient);
}

/// The argument lists of the bounce program's calls so far.
std::vector<std::vector<std::string>> bounceCalls() {
    std::vector<std::vector<std::string>> calls;
    if (!fs::is_directory(CALLS))
        return calls;
    for (const fs::directory_entry& e : fs::directory_iterator(CALLS)) {
        std::string name = e.path().filename().string();
        if (name.rfind("bouncemessage.", 0) != 0 || e.path().extension() != ".args")
            continue;
        std::string text = readFile(e.path().string());
        std::vector<std::string> args;
        for (std::string::size_type start = 0, end; start < text.size(); start = end + 1) {
            end = text.find('\0', start);
            args.push_back(text.substr(start, end - start));
        }
        calls.push_back(args);
    }
    return calls;
}

class DomainDeliveryTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { shell("/usr/sbin/postfix start >/dev/null 2>&1"); }
    static void TearDownTestSuite() { std::system("/usr/sbin/postfix stop >/dev/null 2>&1"); }
};

TEST_F(DomainDeliveryTest, MailboxOfACreatedDomainReceivesMail) {
    DomainManager::createDomain("deliver.example", false);
    MaildirManager::getInstance().createMailnameHome("deliver.example", "joe");
    DatabaseHelper::addRecord(tables::VMAILBOX, "joe@deliver.example",
                              "deliver.example/joe/Maildir/");
    DatabaseHelper::addRecord(tables::VIRTUAL, "joe@deliver.example", "joe@deliver.example");
    sendmail("joe@deliver.example", "to joe");
    const char* dir = std::getenv("MXWARDEN_SANDBOX_DIR");
    ASSERT_NE(dir, nullptr) << "not inside the sandbox";
    std::string found = capture(std::string(dir) +
                                "/wait-delivery /var/qmail/mailnames/deliver.example/joe/Maildir 20");
    ASSERT_FALSE(found.empty());
    std::string message = readFile(found.substr(0, found.find('\n')));
    EXPECT_NE(message.find("Subject: to joe"), std::string::npos);
}

TEST_F(DomainDeliveryTest, BounceProgramGetsTheTextIntact) {
    const std::string text = "Dear \"sender\",\nno $HOME or `id` here; it's 100% gone\\.\n";
    DomainManager::createDomain("bounce.example", false);
    DomainManager::setBounce("bounce.example", text);
    sendmail("nobody@bounce.example", "to be bounced");

    std::vector<std::vector<std::string>> calls;
    for (int i = 0; i < 200 && calls.empty(); ++i) {
        usleep(100000);
        calls = bounceCalls();
    }
    ASSERT_EQ(calls.size(), 1u) << capture("tail -20 /run/sandbox/postfix.log");
    std::string want = text;
    for (char& c : want)
        if (c == '\n')
            c = ' ';
    EXPECT_EQ(calls[0], std::vector<std::string>{want});
}

}  // namespace
