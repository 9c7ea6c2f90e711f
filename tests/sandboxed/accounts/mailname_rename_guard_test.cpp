// The undo guards of a mailname rename report an undo that fails without
// hiding the error that caused it (the undo itself is proven end to end).
#include "mail/postfix/accounts/mailname_rename_guard.h"

#include <cstdio>
#include <optional>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "mail/postfix/tables/table_names.h"

namespace {

namespace tables = quarn::mail::postfix::tables;
using quarn::mail::postfix::safeAliasRenamer;
using quarn::mail::postfix::safeMailnameRenamer;

const std::string REPORT_HEAD = "CRITICAL ERROR: Unable to properly restore ";
const std::string REPORT_TAIL =
    " used by Quarn.\nMail system may be not usable at the moment and it cannot be repaired "
    "automatically.\nConstact Kestova support to resolve this issue.\n";

/// Moves a table's database aside for the life of the object, so that
/// postmap cannot read it.
class BrokenTable {
public:
    explicit BrokenTable(const std::string& map)
        : db_(map.substr(map.find(':') + 1) + ".db") {
        std::rename(db_.c_str(), (db_ + ".aside").c_str());
    }
    ~BrokenTable() { std::rename((db_ + ".aside").c_str(), db_.c_str()); }

private:
    std::string db_;
};

/// A rename of old to new in `map` under its guard that breaks the table
/// and fails: the undo cannot read the table.
void failingRename(const std::string& map) {
    std::optional<BrokenTable> broken;  // declared first: outlives the guards
    std::optional<safeMailnameRenamer> mailboxGuard;
    std::optional<safeAliasRenamer> aliasGuard;
    if (map == tables::VMAILBOX)
        mailboxGuard.emplace("old@g.test", "new@g.test", "g.test/old/Maildir",
                             "g.test/new/Maildir");
    else
        aliasGuard.emplace("old@g.test", "new@g.test");
    broken.emplace(map);
    throw std::runtime_error("directory rename");
}

TEST(MailnameRenameGuard, ReportsAFailedUndoAndLetsTheErrorGoOn) {
    const struct {
        const char* name;
        const char* map;
        const char* report;  // the table set a failed undo names
    } cases[] = {
        {"vmailbox", tables::VMAILBOX, "Postfix Virtual Mailboxes Database"},
        {"virtual", tables::VIRTUAL, "Postfix Virtual Aliases Database"},
    };
    for (const auto& c : cases) {
        testing::internal::CaptureStderr();
        std::string error;
        try {
            failingRename(c.map);
        } catch (const std::runtime_error& e) {
            error = e.what();
        }
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(error, "directory rename") << c.name << ": the first error must go on";
        EXPECT_EQ(err, REPORT_HEAD + c.report + REPORT_TAIL) << c.name;
    }
}

}  // namespace
