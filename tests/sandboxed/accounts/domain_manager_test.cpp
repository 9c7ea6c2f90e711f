// Mail domains in the real lookup tables of the sandbox, with the panel's
// aliases, mailnames and mail aliases from its database.
#include "mail/postfix/accounts/domain_manager.h"

#include <sys/stat.h>
#include <unistd.h>

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

TEST_F(DomainManagerTest, RemovedDomainLeavesNoRecordsAndNoDirectory) {
    DomainManager::createDomain("example.net", false);
    fillTable(tables::VMAILBOX, {{"joe@example.net", "example.net/joe/Maildir/"},
                            {"joe@sub.example.net", "sub.example.net/joe/Maildir/"}});
    fillTable(tables::VIRTUAL, merged(dumpTable(tables::VIRTUAL),
                                 {{"joe@example.net", "joe@example.net"},
                                  {"fwd@example.org", "joe@example.net, ann@example.org"}}));
    DomainManager::removeDomain("example.net", OnRemoval::Remove);
    EXPECT_TABLE(tables::VIRTUAL_DOMAINS, Records{});
    EXPECT_TABLE(tables::VIRTUAL, (Records{{"fwd@example.org", "ann@example.org"}}));
    EXPECT_TABLE(tables::VMAILBOX,
                 (Records{{"joe@sub.example.net", "sub.example.net/joe/Maildir/"}}));
    EXPECT_FALSE(fs::exists("/var/qmail/mailnames/example.net"));
}

TEST_F(DomainManagerTest, RemovalWithoutADirectoryStillClearsTheTables) {
    DomainManager::createDomain("example.net", false);
    fs::remove_all("/var/qmail/mailnames/example.net");
    DomainManager::removeDomain("example.net", OnRemoval::Remove);
    EXPECT_TABLE(tables::VIRTUAL, Records{});
}

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

TEST_F(DomainManagerTest, ReferencesWithAndWithoutSubdomains) {
    Records start{{"example.net", "1"},
                  {"u@example.net", "u@example.com"},
                  {"u@sub.example.net", "u@example.com"},
                  {"l@example.com", "u@example.net, u@sub.example.net, example.net"}};
    fillTable(tables::VIRTUAL, start);
    DomainManager::removeDomainReferences("example.net", false);
    EXPECT_TABLE(tables::VIRTUAL, (Records{{"u@sub.example.net", "u@example.com"},
                                           {"l@example.com", "u@sub.example.net"}}));
    fillTable(tables::VIRTUAL, start);
    DomainManager::removeDomainReferences("example.net", true);
    EXPECT_TABLE(tables::VIRTUAL, Records{});
}

TEST_F(DomainManagerTest, CatchallCoversTheAliasesAndGoesAgainWhole) {
    int dom = panel.addDomain("example.net");
    panel.addDomainAlias(dom, "alias-one.example");
    panel.addDomainAlias(dom, "alias-two.example");
    fillTable(tables::VIRTUAL, {{"joe@example.net", "joe@example.net"}, {"@other.example", "x@y"}});
    DomainManager::createCatchall("example.net", "joe@example.net");
    EXPECT_TABLE(tables::VIRTUAL, (Records{{"joe@example.net", "joe@example.net"},
                                           {"@other.example", "x@y"},
                                           {"@example.net", "joe@example.net"},
                                           {"@alias-one.example", "joe@example.net"},
                                           {"@alias-two.example", "joe@example.net"}}));
    DomainManager::removeCatchall("example.net");
    EXPECT_TABLE(tables::VIRTUAL,
                 (Records{{"joe@example.net", "joe@example.net"}, {"@other.example", "x@y"}}));
}

TEST_F(DomainManagerTest, BounceRecordsForTheDomainAndItsAliases) {
    int dom = panel.addDomain("example.net");
    panel.addDomainAlias(dom, "alias-one.example");
    DomainManager::setBounce("example.net", "");
    const std::string command = "\"|/usr/lib/quarn-9.0/bouncemessage\"";
    EXPECT_TABLE(tables::ALIASES, (Records{{"_quarn_bounce_example.net", command},
                                           {"_quarn_bounce_alias-one.example", command}}));
    EXPECT_TABLE(tables::VIRTUAL,
                 (Records{{"@example.net", "_quarn_bounce_example.net@localhost.localdomain"},
                          {"@alias-one.example",
                           "_quarn_bounce_alias-one.example@localhost.localdomain"}}));
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

    DomainManager::renameDomainAlias("example.org", "example.com");
    EXPECT_TABLE(tables::VIRTUAL, merged(standardOf("example.com"),
                                         {{"example.com", "1"},
                                          {"jo@example.com", "joe@example.net"},
                                          {"joseph@example.com", "joe@example.net"},
                                          {"joe@example.com", "joe@example.net"},
                                          {"ann@example.com", "ann@example.net"}}));

    DomainManager::removeDomainAlias("example.com");
    EXPECT_TABLE(tables::VIRTUAL, Records{});
}

// postmap folds the keys it stores: a domain is found whatever its case.
TEST_F(DomainManagerTest, AddedInOneCaseRemovedInAnotherLeavesNoRecord) {
    struct Case {
        const char* added;
        const char* removed;
    } cases[] = {
        {"Mixed.COM", "mixed.com"}, {"mixed.com", "Mixed.COM"}, {"Mixed.COM", "Mixed.COM"}};
    for (const Case& c : cases) {
        DomainManager::createDomain(c.added, false);
        ASSERT_EQ(6u, dumpTable(tables::VIRTUAL).size()) << c.added;
        DomainManager::removeDomain(c.removed, OnRemoval::Remove);
        for (const char* map : {tables::VIRTUAL, tables::VIRTUAL_DOMAINS, tables::VMAILBOX}) {
            Records left = dumpTable(map);
            EXPECT_TRUE(left.empty()) << "added " << c.added << ", removed " << c.removed
                                      << ": " << map << " keeps " << show(left);
        }
    }
}

class HostNameRenameTest : public DomainManagerTest {
protected:
    void SetUp() override {
        DomainManagerTest::SetUp();
        host = quarn::fullHostName();
        ASSERT_FALSE(host.empty());
        hostRecords = merged(standardOf(host), {{host, "1"}});
    }
    std::string upperHost() const {
        std::string upper = host;
        for (char& c : upper)
            c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
        return upper;
    }
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
