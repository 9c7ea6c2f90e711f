// The four Courier-IMAP settings files changed in place, a missing one
// skipped, and Courier-IMAP restarted afterwards.
#include "mail/lib/files/courier_settings.h"

#include <sys/stat.h>

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/file_text.h"
#include "tests/support/printed.h"
#include "tests/support/saved_file.h"
#include "tests/unit/quota/maildir_tree.h"

namespace {

using testsupport::readFile;
using testsupport::readFileIfAny;

const char* const NAMES[] = {"imapd", "imapd-ssl", "pop3d", "pop3d-ssl"};

std::string settingsPath(const char* name) { return std::string("/etc/courier-imap/") + name; }

TEST(CourierSettingsFiles, ChangesEveryFileAndRestartsCourier) {
    struct Case {
        const char* name;
        int relay, popAuth, lockTime, shortNames;
        const char* before;
        const char* missing;  // a file removed first, or null
        const char* after;
    } cases[] = {
        {"example of the panel", 1, 0, -1, 0, "POPAUTH=1\nFOO=bar\nRELAYCLIENT=x\n", nullptr,
         "FOO=bar\nRELAYCLIENT=\n"},
        {"lock time 0 removes it", 0, 1, 0, 1, "POPLOCK_TIME=3\nX=1\nPOPLOCK_TIME=4\n", nullptr,
         "X=1\nPOPAUTH=1\nSHORTNAMES=1\n"},
        {"a missing file is skipped", 1, 0, -1, 0, "# c\n", "pop3d", "# c\nRELAYCLIENT=\n"},
    };
    for (const Case& c : cases) {
        std::vector<std::unique_ptr<testsupport::SavedFile>> saved;
        for (const char* n : NAMES) {
            saved.push_back(std::make_unique<testsupport::SavedFile>(settingsPath(n)));
            saved.back()->write(c.before);
        }
        if (c.missing)
            saved[2]->remove();
        std::string log = readFile("/run/sandbox/initd.log");
        testsupport::Printed p = testsupport::printedBy([&] {
            return set_courier_params(c.relay, c.popAuth, c.lockTime, c.shortNames);
        });
        EXPECT_EQ(0, p.rc) << c.name;
        for (const char* n : NAMES) {
            std::string want = c.missing && std::string(n) == c.missing ? "no file" : c.after;
            auto got = readFileIfAny(settingsPath(n));
            EXPECT_EQ(want, got ? *got : "no file") << c.name << ": " << n;
        }
        EXPECT_EQ(log + "courier-imap restart\n", readFile("/run/sandbox/initd.log")) << c.name;
        std::string message = c.missing ? "Unable to open //etc/courier-imap/pop3d: " : "";
        EXPECT_EQ(0u, p.err.find(message)) << c.name << ": got '" << p.err << "'";
        EXPECT_EQ("0:0 600", maildir_tree::ownerAndMode(settingsPath("imapd"))) << c.name;
    }
}

}  // namespace
