// master.cf files loaded and stored for real: byte for byte, owner and mode
// kept, only the changed entries touched, nothing written on a refusal.
#include "mail/postfix/config/master_cf_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "mail/postfix/config/module_definitions.h"
#include "mail/postfix/config/module_manager.h"
#include "mail/postfix/config/sender_transport_manager.h"
#include "mail/postfix/tables/postfix_errors.h"
#include "tests/support/file_text.h"
#include "tests/support/child_processes.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace quarn::mail::postfix;
using testsupport::readFile;
using testsupport::TempDir;

const std::string DEBIAN = readFile("/usr/share/postfix/master.cf.dist");

// Crafted texts come back unchanged through the same load and text in
// MasterCfFile.LoadsTextBackUnchanged; here the file itself is rewritten.
TEST(MasterCfStore, WritesBackByteForByte) {
    ASSERT_GT(DEBIAN.size(), 1000u);
    TempDir dir;
    std::string path = dir.write("master.cf", DEBIAN);
    ASSERT_EQ(chown(path.c_str(), 1234, 5678), 0);
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    MasterCfContent content;
    loadMasterCf(path, content);
    storeMasterCf(path, content);
    EXPECT_EQ(readFile(path), DEBIAN);
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 1234u);
    EXPECT_EQ(st.st_gid, 5678u);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(dir.namesEnding(""), std::vector<std::string>{"master.cf"});
}

/// Two files of one ModuleManager in a scratch directory.
struct Files {
    TempDir dir;
    std::string master = dir.file("master.cf");
    std::string disabled = dir.file("master.cf.disabled");
};

// Adding and removing an entry at the end are proved end to end by
// switching the submission service off and on.
TEST(ModuleManagerFiles, ChangesTouchOnlyTheirOwnEntry) {
    Files files;
    files.dir.write("master.cf", DEBIAN);
    const std::string relay = "relay     unix  -       -       y       -       -       smtp\n"
                              "        -o syslog_name=postfix/$service_name\n";
    SenderTransportManager::SenderTransport relayNow("192.0.2.1", "");
    relayNow.name = "relay";
    std::string replaced = DEBIAN;
    replaced.replace(replaced.find(relay), relay.size() - 1, moduleLine(relayNow));
    ModuleManager manager(files.master, files.disabled);
    manager.loadModules(false);
    manager.removeModule("relay", INET);  // no such entry: nothing goes
    manager.addModule(relayNow, true);    // replaced where it stands
    manager.storeModules(false);
    EXPECT_EQ(readFile(files.master), replaced);
}

TEST(ModuleManagerFiles, RefusedFileChangesNothing) {
    Files files;
    const std::string bad = DEBIAN + "smtp inet n - n - - smtpd # no continuation\n";
    files.dir.write("master.cf", bad);
    files.dir.write("master.cf.disabled", "submission inet n - n - - smtpd\n");
    ModuleManager manager(files.master, files.disabled);
    try {
        manager.loadModules(false);
        ADD_FAILURE() << "got no error";
    } catch (const PostfixConfigurationError& e) {
        EXPECT_EQ(std::string(e.what()), "unable to parse " + files.master);
    }
    EXPECT_THROW(manager.addModule(SmtpdModule(), true), std::logic_error);
    EXPECT_EQ(readFile(files.master), bad);
    EXPECT_EQ(readFile(files.disabled), "submission inet n - n - - smtpd\n");
}

TEST(ModuleManagerFiles, ConcurrentRunsLoseNoEntry) {
    Files files;
    files.dir.write("master.cf", DEBIAN);
    const int runs = 20;
    std::vector<int> statuses = testsupport::runInChildren(runs, [&](int i) {
        try {
            ModuleManager manager(files.master, files.disabled);
            manager.loadModules(false);
            usleep(2000);  // widen the window between load and store
            std::string address = "192.0.2." + std::to_string(i + 1);
            manager.addModule(SenderTransportManager::SenderTransport(address, ""), true);
            manager.storeModules(false);
            return 0;
        } catch (...) {
            return 1;
        }
    });
    EXPECT_EQ(statuses, std::vector<int>(runs, 0));
    ModuleManager manager(files.master, files.disabled);
    manager.loadModules(false);
    for (int i = 0; i < runs; ++i)
        EXPECT_TRUE(manager.hasModule("192.0.2." + std::to_string(i + 1) + "-", UNIX, true))
            << "run " << i;
}

}  // namespace
