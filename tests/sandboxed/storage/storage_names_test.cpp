// The storage refuses a domain or mailname that would not stay one
// directory below its parent, before it touches anything.
#include "mail/lib/storage/maildir_manager.h"

#include <boost/filesystem.hpp>

#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "mail/lib/storage/fs_error.h"
#include "tests/sandboxed/tree/tree_attack.h"

namespace {

using quarn::mail::FSError;
using quarn::mail::MaildirManager;

const std::string ROOT = "/var/qmail/mailnames";

TEST(StorageNames, SlashDotAndDotDotAreRefused) {
    MaildirManager& m = MaildirManager::getInstance();
    m.createMailnameHome("names.test", "joe");
    const std::string before = tree_attack::snapshot(ROOT);
    for (const std::string bad : {".", "..", "a/b", "../names.test", ""}) {
        const std::function<void()> operations[] = {
            [&] { m.createDomainRoot(bad); },
            [&] { m.createMailnameHome("names.test", bad); },
            [&] { m.createMailnameHome(bad, "joe"); },
            [&] { m.renameDomainRoot("names.test", bad); },
            [&] { m.renameMailnameHome("names.test", "joe", bad); },
            [&] { m.renameMailnameHome("names.test", bad, "jim"); },
            [&] { m.removeMailnameHome("names.test", bad); },
            [&] { m.removeMailnameHome(bad, "joe"); },
            [&] { m.removeDomainRoot(bad); },
            [&] { m.backupMailnameHome("names.test", bad); },
            [&] { m.backupDomainRoot(bad); },
        };
        int i = 0;
        for (const auto& op : operations) {
            EXPECT_THROW(op(), FSError) << "\"" << bad << "\", operation " << i;
            EXPECT_EQ(before, tree_attack::snapshot(ROOT)) << "\"" << bad << "\", operation " << i;
            ++i;
        }
    }
    boost::filesystem::remove_all(ROOT + "/names.test");
}

}  // namespace
