// The undo guards of a mailname rename: they put a table back while an
// error passes, do nothing otherwise, and report a failed undo without
// hiding the error that caused it.
#include "mail/postfix/accounts/mailname_rename_guard.h"

#include <cstdio>
#include <optional>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "mail/postfix/tables/database_helper.h"
#include "mail/postfix/tables/table_names.h"
#include "tests/sandboxed/tables/table_dump.h"

namespace {

namespace tables = quarn::mail::postfix::tables;
using quarn::mail::postfix::DatabaseHelper;
using quarn::mail::postfix::renameAliasRecords;
using quarn::mail::postfix::renameMailboxRecords;
using quarn::mail::postfix::safeAliasRenamer;
using quarn::mail::postfix::safeMailnameRenamer;
using testsupport::dumpTable;
using testsupport::show;

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

bool isMailbox(const std::string& map) { return map == tables::VMAILBOX; }

void renameIn(const std::string& map, const std::string& from, const std::string& to) {
    if (isMailbox(map))
        renameMailboxRecords(from + "@g.test", to + "@g.test", "g.test/" + from + "/Maildir",
                             "g.test/" + to + "/Maildir");
    else
        renameAliasRecords(from + "@g.test", to + "@g.test");
}

/// Renames old to new in `map` under its guard, then fails; the table
/// breaks after the rename when `breakUndo`.
void failingRename(const std::string& map, bool breakUndo) {
    renameIn(map, "old", "new");
    std::optional<BrokenTable> broken;  // declared first: outlives the guards
    std::optional<safeMailnameRenamer> mailboxGuard;
    std::optional<safeAliasRenamer> aliasGuard;
    if (isMailbox(map))
        mailboxGuard.emplace("old@g.test", "new@g.test", "g.test/old/Maildir",
                             "g.test/new/Maildir");
    else
        aliasGuard.emplace("old@g.test", "new@g.test");
    if (breakUndo)
        broken.emplace(map);
    throw std::runtime_error("directory rename");
}

TEST(MailnameRenameGuard, PutsTheTableBackOrReportsThatItCouldNot) {
    DatabaseHelper::addRecord(tables::VMAILBOX, "old@g.test", "g.test/old/Maildir/");
    DatabaseHelper::addRecord(tables::VIRTUAL, "old@g.test", "old@g.test");
    DatabaseHelper::addRecord(tables::VIRTUAL, "l@g.test", "x@g.test, old@g.test");
    const struct {
        const char* name;
        const char* map;
        bool breakUndo;
        const char* report;  // the table set a failed undo names
    } cases[] = {
        {"vmailbox put back", tables::VMAILBOX, false, nullptr},
        {"virtual put back", tables::VIRTUAL, false, nullptr},
        {"vmailbox undo fails", tables::VMAILBOX, true, "Postfix Virtual Mailboxes Database"},
        {"virtual undo fails", tables::VIRTUAL, true, "Postfix Virtual Aliases Database"},
    };
    for (const auto& c : cases) {
        const testsupport::Records before = dumpTable(c.map);
        testing::internal::CaptureStderr();
        std::string error;
        try {
            failingRename(c.map, c.breakUndo);
        } catch (const std::runtime_error& e) {
            error = e.what();
        }
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(error, "directory rename") << c.name << ": the first error must go on";
        EXPECT_EQ(err, c.report ? REPORT_HEAD + c.report + REPORT_TAIL : "") << c.name;
        if (c.breakUndo)
            renameIn(c.map, "new", "old");  // what the undo could not do
        EXPECT_EQ(show(dumpTable(c.map)), show(before)) << c.name;
    }
}

TEST(MailnameRenameGuard, KeepsTheRenameWithoutAnError) {
    DatabaseHelper::addRecord(tables::VIRTUAL, "kept@g.test", "kept@g.test");
    renameAliasRecords("kept@g.test", "kept2@g.test");
    { safeAliasRenamer guard("kept@g.test", "kept2@g.test"); }
    const testsupport::Records records = dumpTable(tables::VIRTUAL);
    EXPECT_EQ(records.count("kept@g.test"), 0u) << show(records);
    EXPECT_EQ(records.count("kept2@g.test"), 1u) << show(records);
}

}  // namespace
