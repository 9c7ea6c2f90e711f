// One domain whatever its case, against the real postmap: postmap folds the
// keys it stores, and the managers find records of any spelling.
#include <unistd.h>

#include <boost/filesystem.hpp>

#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "mail/lib/storage/on_removal.h"
#include "mail/postfix/accounts/domain_manager.h"
#include "mail/postfix/tables/table_names.h"
#include "tests/sandboxed/panel/panel_rows.h"
#include "tests/sandboxed/tables/table_dump.h"

namespace {

namespace fs = boost::filesystem;
namespace tables = quarn::mail::postfix::tables;
using quarn::mail::OnRemoval;
using quarn::mail::postfix::DomainManager;
using testsupport::dumpTable;
using testsupport::Records;
using testsupport::show;

/// Builds a map afresh from `records`.
void fill(const std::string& map, const Records& records) {
    std::string source = map.substr(map.find(':') + 1);
    {
        std::ofstream out(source.c_str(), std::ios::trunc);
        for (const auto& kv : records)
            out << kv.first << ' ' << kv.second << '\n';
    }
    if (std::system(("/usr/sbin/postmap " + map).c_str()) != 0)
        throw std::runtime_error("postmap " + map + " failed");
    unlink(source.c_str());
}

class MixedCaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* map : {tables::VIRTUAL, tables::VIRTUAL_DOMAINS, tables::VMAILBOX,
                                tables::ALIASES})
            fill(map, {});
    }
    void TearDown() override {
        for (auto& e : fs::directory_iterator("/var/qmail/mailnames"))
            fs::remove_all(e.path());
    }
    testsupport::PanelRows panel;
};

TEST_F(MixedCaseTest, AddedInOneCaseRemovedInAnotherLeavesNoRecord) {
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

}  // namespace
