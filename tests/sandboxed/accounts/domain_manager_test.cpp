// Mail domains in the real lookup tables of the sandbox, with the panel's
// aliases, mailnames and mail aliases from its database.
#include "mail/postfix/accounts/domain_manager.h"

#include <sys/stat.h>

#include <boost/algorithm/string/case_conv.hpp>
#include <boost/filesystem.hpp>

#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "lib/names/host_name.h"
#include "mail/lib/storage/maildir_manager.h"
#include "mail/postfix/accounts/hostname_rename_guard.h"
#include "mail/postfix/tables/table_names.h"
#include "tests/sandboxed/panel/panel_rows.h"
#include "tests/sandboxed/tables/table_dump.h"

namespace {

namespace fs = boost::filesystem;
namespace tables = quarn::mail::postfix::tables;
using quarn::mail::OnRemoval;
using quarn::mail::postfix::DomainManager;
using testsupport::dumpTable;
using testsupport::fillTable;
using testsupport::Records;
using testsupport::show;

const char* const ALL_TABLES[] = {tables::VIRTUAL, tables::VIRTUAL_DOMAINS, tables::VMAILBOX,
                                  tables::ALIASES};

Records standardOf(const std::string& domain) {
    Records r;
    for (const std::string& n : DomainManager::standardAddresses())
        r[n + "@" + domain] = n + "@localhost.localdomain";
    return r;
}

Records merged(Records a, const Records& b) {
    a.insert(b.begin(), b.end());
    return a;
}

#define EXPECT_TABLE(map, want)                                               \
    do {                                                                      \
        Records got_ = dumpTable(map);                                        \
        EXPECT_EQ(got_, want) << map << "\n got  " << show(got_) << "\n want " \
                              << show(want);                                  \
    } while (0)

class DomainManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* map : ALL_TABLES)
            fillTable(map, {});
    }
    void TearDown() override {
        boost::system::error_code ignored;
        fs::remove_all("/var/qmail/mailnames/example.net", ignored);
    }

    testsupport::PanelRows panel;
};

TEST_F(DomainManagerTest, CreatingClearsWhatAnEarlierAliasLeft) {
    fillTable(tables::VIRTUAL, {{"example.net", "1"},
                           {"joe@example.net", "joe@example.com"},
                           {"list@example.org", "a@example.net, b@example.com"},
                           {"x@sub.example.net", "x@example.com"}});
    DomainManager::createDomain("example.net", true);
    EXPECT_TABLE(tables::VIRTUAL, merged(standardOf("example.net"),
                                         {{"list@example.org", "b@example.com"},
                                          {"x@sub.example.net", "x@example.com"}}));
}

// Mail to the standard addresses of a switched-off domain must not be taken.
TEST_F(DomainManagerTest, DisabledDomainKeepsOnlyItsMailboxRecords) {
    DomainManager::createDomain("example.net", false);
    fillTable(tables::VIRTUAL,
              merged(dumpTable(tables::VIRTUAL), {{"joe@example.net", "joe@example.net"}}));
    DomainManager::disableDomain("example.net");
    EXPECT_TABLE(tables::VIRTUAL_DOMAINS, Records{});
    EXPECT_TABLE(tables::VIRTUAL, (Records{{"joe@example.net", "joe@example.net"}}));
}

// Catch-all and bounce records cover the domain's aliases; a removal of the
// catch-all takes every "@" record of them.
TEST_F(DomainManagerTest, CatchallAndBounceCoverTheAliases) {
    int dom = panel.addDomain("example.net");
    panel.addDomainAlias(dom, "alias-one.example");
    panel.addDomainAlias(dom, "alias-two.example");
    const Records kept{{"joe@example.net", "joe@example.net"}, {"@other.example", "x@y"}};
    fillTable(tables::VIRTUAL, kept);
    DomainManager::createCatchall("example.net", "joe@example.net");
    EXPECT_TABLE(tables::VIRTUAL, merged(kept, {{"@example.net", "joe@example.net"},
                                                {"@alias-one.example", "joe@example.net"},
                                                {"@alias-two.example", "joe@example.net"}}));
    DomainManager::setBounce("example.net", "");
    const std::string command = "\"|/usr/lib/quarn-9.0/bouncemessage\"";
    EXPECT_TABLE(tables::ALIASES, (Records{{"_quarn_bounce_example.net", command},
                                           {"_quarn_bounce_alias-one.example", command},
                                           {"_quarn_bounce_alias-two.example", command}}));
    const std::string local = "@localhost.localdomain";
    EXPECT_TABLE(tables::VIRTUAL,
                 merged(kept, {{"@example.net", "_quarn_bounce_example.net" + local},
                               {"@alias-one.example", "_quarn_bounce_alias-one.example" + local},
                               {"@alias-two.example", "_quarn_bounce_alias-two.example" + local}}));
    DomainManager::removeCatchall("example.net");
    EXPECT_TABLE(tables::VIRTUAL, kept);
}

TEST_F(DomainManagerTest, AliasSeesEveryMailnameAndMailAlias) {
    int dom = panel.addDomain("example.net");
    int joe = panel.addMailname(dom, "joe");
    panel.addMailAlias(joe, "jo");
    panel.addMailAlias(joe, "joseph");
    panel.addMailname(dom, "ann");
    DomainManager::createDomainAlias("example.net", "example.org");
    EXPECT_TABLE(tables::VIRTUAL, merged(standardOf("example.org"),
                                         {{"example.org", "1"},
                                          {"jo@example.org", "joe@example.net"},
                                          {"joseph@example.org", "joe@example.net"},
                                          {"joe@example.org", "joe@example.net"},
                                          {"ann@example.org", "ann@example.net"}}));
    EXPECT_TABLE(tables::VIRTUAL_DOMAINS, Records{});

    DomainManager::removeDomainAlias("example.org");
    EXPECT_TABLE(tables::VIRTUAL, Records{});
}

// postmap folds the keys it stores: a domain is found whatever its case. Its
// subdomains keep their records, and a directory already gone stops nothing.
TEST_F(DomainManagerTest, RemovedDomainLeavesNoRecord) {
    const Records sub{{"joe@sub.mixed.com", "sub.mixed.com/joe/Maildir/"}};
    struct Case {
        const char* added;
        const char* removed;
        bool directoryGone;
    } cases[] = {{"Mixed.COM", "mixed.com", false}, {"mixed.com", "Mixed.COM", false},
                 {"Mixed.COM", "Mixed.COM", false}, {"mixed.com", "mixed.com", true}};
    for (const Case& c : cases) {
        DomainManager::createDomain(c.added, false);
        ASSERT_EQ(6u, dumpTable(tables::VIRTUAL).size()) << c.added;
        fillTable(tables::VMAILBOX, merged(sub, {{"joe@mixed.com", "mixed.com/joe/Maildir/"}}));
        if (c.directoryGone)
            fs::remove_all("/var/qmail/mailnames/mixed.com");
        DomainManager::removeDomain(c.removed, OnRemoval::Remove);
        for (const std::string map : {tables::VIRTUAL, tables::VIRTUAL_DOMAINS, tables::VMAILBOX}) {
            Records left = dumpTable(map), want = map == tables::VMAILBOX ? sub : Records{};
            EXPECT_EQ(want, left) << "added " << c.added << ", removed " << c.removed << ": "
                                  << map << " keeps " << show(left);
        }
    }
}

// No command asks for these yet, but removeDomain offers them: the mail
// must survive, moved aside or left in place.
TEST_F(DomainManagerTest, BackupAndKeepLeaveTheMail) {
    DomainManager::createDomain("example.net", false);
    struct stat st;
    ASSERT_EQ(stat("/var/qmail/mailnames/example.net", &st), 0);
    DomainManager::removeDomain("example.net", OnRemoval::Backup);
    std::string backup =
        "/var/qmail/mailnames/example.net.QuarnSaved." + std::to_string(st.st_ino);
    EXPECT_TRUE(fs::is_directory(backup));
    fs::remove_all(backup);

    DomainManager::createDomain("example.net", false);
    DomainManager::removeDomain("example.net", OnRemoval::Keep);
    EXPECT_TRUE(fs::is_directory("/var/qmail/mailnames/example.net"));
    EXPECT_TABLE(tables::VIRTUAL_DOMAINS, Records{});
}

class HostNameRenameTest : public DomainManagerTest {
protected:
    void SetUp() override {
        DomainManagerTest::SetUp();
        host = quarn::fullHostName();
        ASSERT_FALSE(host.empty());
        hostRecords = merged(standardOf(host), {{host, "1"}});
    }
    std::string upperHost() const { return boost::algorithm::to_upper_copy(host); }
    std::string host;
    Records hostRecords;
};

TEST_F(HostNameRenameTest, RenamingToAndFromTheHostNameMovesTheHostRecords) {
    fillTable(tables::VIRTUAL,
              merged(hostRecords, {{"old.example", "1"}, {"u@old.example", "u@d.example"}}));
    // The host name matches whatever its case; postmap folds the keys.
    DomainManager::renameDomainAlias("old.example", upperHost());
    EXPECT_TABLE(tables::VIRTUAL, (Records{{host, "1"}, {"u@" + host, "u@d.example"}}));

    DomainManager::renameDomainAlias(host, "new.example");
    EXPECT_TABLE(tables::VIRTUAL, merged(hostRecords, {{"new.example", "1"},
                                                       {"u@new.example", "u@d.example"}}));
}

TEST_F(HostNameRenameTest, GuardUndoesOnlyAFailedRename) {
    struct Case {
        const char* name;
        bool toHost, fails;
        Records before, during, after;
    } cases[] = {
        {"failed rename to the host name", true, true, hostRecords, {}, hostRecords},
        {"failed rename from the host name", false, true, {}, hostRecords, {}},
        {"rename to the host name", true, false, hostRecords, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fillTable(tables::VIRTUAL, c.before);
        try {
            quarn::mail::postfix::safeDomainFromToHostnameRenamer guard;
            if (c.toHost)
                guard.beforeRename(host);
            else
                guard.afterRename(upperHost());
            EXPECT_TABLE(tables::VIRTUAL, c.during);
            if (c.fails)
                throw std::runtime_error("rename failed");
        } catch (const std::runtime_error&) {
        }
        EXPECT_TABLE(tables::VIRTUAL, c.after);
    }
}

}  // namespace
