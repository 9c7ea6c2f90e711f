// The SMTPS and submission listeners switched on and off in Postfix's own
// master.cf, with the real Postfix checking and serving it.
#include "mail/postfix/config/module_manager.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "mail/postfix/config/module_definitions.h"
#include "tests/sandboxed/config/config_files.h"
#include "tests/sandboxed/tables/table_dump.h"

namespace {

using namespace quarn::mail::postfix;
using testsupport::capture;
using configtest::readFile;
using configtest::RunningPostfix;
using configtest::SavedFile;

/// Whether something accepts connections on 127.0.0.1:port.
bool listening(int port) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool connected = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return connected;
}

/// Waits up to five seconds for the port to reach the wanted state.
bool becomes(int port, bool wanted) {
    for (int i = 0; i < 50; ++i) {
        if (listening(port) == wanted)
            return true;
        usleep(100000);
    }
    return false;
}

/// `postfix check` output and status: "" when clean.
std::string postfixCheck() {
    return capture("/usr/sbin/postfix check 2>&1; echo status $?");
}

/// The listener switched on the way the service commands do it.
void switchOn(ModuleManager& manager, const ModuleInfo& definition) {
    if (manager.hasModule(definition.name, definition.type))
        manager.enableModule(definition.name, definition.type);
    else
        manager.addModule(definition, true);
}

TEST(PostfixListeners, OpenAndClosePorts) {
    SavedFile master("/etc/postfix/master.cf");
    SavedFile disabled(MASTER_CF_DISABLED);
    ModuleManager& manager = ModuleManager::getInstance();
    ASSERT_EQ(manager.masterCfPath(), "/etc/postfix/master.cf");
    RunningPostfix postfix;
    struct Listener {
        ModuleInfo definition;
        int port;
    };
    const std::vector<Listener> listeners = {{SubmissionModule(), 587}, {SmtpsdModule(), 465}};
    for (const Listener& l : listeners) {
        SCOPED_TRACE(l.definition.name);
        manager.loadModules(false);
        switchOn(manager, l.definition);
        EXPECT_TRUE(manager.storeModules(false));
        EXPECT_EQ(postfixCheck(), "status 0\n");
        postfix.reload();
        EXPECT_TRUE(becomes(l.port, true)) << "port " << l.port << " does not answer";
        std::string enabledText = manager.getModule(l.definition.name, INET).second;

        manager.loadModules(false);
        EXPECT_TRUE(manager.disableModule(l.definition.name, INET));
        EXPECT_TRUE(manager.storeModules(false));
        EXPECT_EQ(postfixCheck(), "status 0\n");
        postfix.reload();
        EXPECT_TRUE(becomes(l.port, false)) << "port " << l.port << " still answers";
        EXPECT_NE(readFile(MASTER_CF_DISABLED).find(enabledText + "\n"), std::string::npos);

        manager.loadModules(false);
        switchOn(manager, l.definition);
        manager.storeModules(false);
        EXPECT_EQ(manager.getModule(l.definition.name, INET, true).second, enabledText);
        EXPECT_EQ(readFile(MASTER_CF_DISABLED).find(enabledText), std::string::npos);
    }
    // Debian's own entries are still there as shipped.
    std::string now = readFile("/etc/postfix/master.cf");
    EXPECT_EQ(now.compare(0, master.text().size(), master.text()), 0);
}

}  // namespace
