// popuser swaps a mailname home and a link to a root-owned directory as
// fast as it can while root creates and removes that home again and again:
// nothing outside the tree may change, whichever name root meets.
#include <boost/filesystem.hpp>

#include <iostream>
#include <string>

#include <gtest/gtest.h>

#include "mail/lib/storage/maildir_manager.h"
#include "tests/sandboxed/tree/tree_attack.h"

namespace {

namespace fs = boost::filesystem;
using quarn::mail::MaildirManager;

const std::string ROOT = "/var/qmail/mailnames";
const std::string D = "race.test";
const int ROUNDS = 200;  // a create and a remove each

TEST(TreeRace, SwappedHomeNeverLeadsRootOut) {
    tree_attack::RootTarget target("/var/tmp/race-target");
    MaildirManager& storage = MaildirManager::getInstance();
    storage.createDomainRoot(D);
    int changed = 0, refused = 0;
    {
        // The home and the Maildir inside it are swapped, each with a link
        // to the target's directory of the same role.
        tree_attack::Swapper home(ROOT + "/" + D + "/joe", target.dir());
        tree_attack::Swapper maildir(ROOT + "/" + D + "/joe/Maildir", target.dir() + "/Maildir");
        for (int i = 0; i < ROUNDS; ++i) {
            for (bool create : {true, false}) {
                try {
                    if (create)
                        storage.createMailnameHome(D, "joe");
                    else
                        storage.removeMailnameHome(D, "joe");
                } catch (const std::exception&) {
                    ++refused;
                }
                if (!target.unchanged()) {
                    ++changed;
                    target.reset();
                }
            }
        }
    }
    std::cout << 2 * ROUNDS << " operations, " << refused << " refused, " << changed
              << " changed the target\n";
    EXPECT_EQ(0, changed);
    fs::remove_all(ROOT + "/" + D);
}

}  // namespace
