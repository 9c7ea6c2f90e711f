// The panel queries against the sandbox's panel database.
#include "lib/panel/mysql_query.h"
#include "lib/panel/panel_queries.h"
#include "lib/panel/quarn_db.h"

#include "tests/sandboxed/panel/panel_rows.h"
#include "tests/support/log_capture.h"
#include "tests/support/saved_file.h"

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using testsupport::LogCapture;
using testsupport::PanelRows;

/// A list of a query function, sorted, as the test compares it; "(none)"
/// stands for no list at all.
std::vector<std::string> taken(char** names) {
    if (!names)
        return {"(none)"};
    std::vector<std::string> list;
    for (char** name = names; *name; ++name)
        list.push_back(*name);
    free_names_list(names);
    std::sort(list.begin(), list.end());
    return list;
}

using List = std::vector<std::string>;

/// Two domains whose aliases, mailnames and mail aliases overlap in name,
/// so that a query that forgets a join condition returns too much; the
/// names of the second need escaping.
struct TwoDomains {
    PanelRows rows;
    int a = rows.addDomain("pq-a.example");
    int b = rows.addDomain("pq-o'b.example");
    TwoDomains() {
        rows.addDomainAlias(a, "pq-a1.example");
        rows.addDomainAlias(a, "pq-a2.example");
        rows.addDomainAlias(b, "pq-b\"1.example");
        int infoA = rows.addMailname(a, "info");
        int salesA = rows.addMailname(a, "sales");
        int infoB = rows.addMailname(b, "info");
        int quoted = rows.addMailname(b, "it's\\me");
        rows.addMailAlias(infoA, "contact");
        rows.addMailAlias(infoA, "hello");
        rows.addMailAlias(salesA, "buy");
        rows.addMailAlias(infoB, "other");
        rows.addMailAlias(quoted, "x'y");
    }
};

/// A list query bound to its names.
using ListQuery = std::function<int(MYSQL*, char***)>;

ListQuery domainAliases(const char* domain) {
    return [=](MYSQL* my, char*** names) { return get_domaliases_by_domain(my, names, domain); };
}

ListQuery mailnames(const char* domain) {
    return [=](MYSQL* my, char*** names) { return get_mailnames_by_domain(my, names, domain); };
}

ListQuery mailAliases(const char* mailname, const char* domain) {
    return [=](MYSQL* my, char*** names) {
        return get_aliases_by_mailname(my, names, mailname, domain);
    };
}

TEST(PanelQueries, ListsHoldThePanelRows) {
    TwoDomains db;
    struct Case {
        const char* name;
        ListQuery query;
        List want;
    } cases[] = {
        {"aliases of a", domainAliases("pq-a.example"), {"pq-a1.example", "pq-a2.example"}},
        {"mailnames of a", mailnames("pq-a.example"), {"info", "sales"}},
        {"mail aliases in a", mailAliases("info", "pq-a.example"), {"contact", "hello"}},
        {"mail aliases in b", mailAliases("info", "pq-o'b.example"), {"other"}},
        {"aliases of b", domainAliases("pq-o'b.example"), {"pq-b\"1.example"}},
        {"mailnames of b", mailnames("pq-o'b.example"), {"info", "it's\\me"}},
        {"quoted mail aliases", mailAliases("it's\\me", "pq-o'b.example"), {"x'y"}},
    };
    for (MYSQL* my : {db.rows.handle(), static_cast<MYSQL*>(nullptr)}) {
        const char* how = my ? "given connection" : "own connection";
        for (const Case& c : cases) {
            char** names = nullptr;
            EXPECT_EQ(0, c.query(my, &names)) << how << ", " << c.name;
            EXPECT_EQ(c.want, taken(names)) << how << ", " << c.name;
        }
        char* domain = nullptr;
        EXPECT_EQ(0, get_domain_by_domainalias(my, &domain, "pq-b\"1.example")) << how;
        EXPECT_STREQ("pq-o'b.example", domain) << how;
        std::free(domain);
    }
}

TEST(PanelQueries, NoRowsGiveNoList) {
    TwoDomains db;
    MYSQL* my = db.rows.handle();
    struct Case {
        const char* name;
        ListQuery query;
    } cases[] = {
        {"aliases of unknown domain", domainAliases("pq-none.example")},
        {"aliases of an alias", domainAliases("pq-a1.example")},
        {"mailnames of unknown domain", mailnames("pq-none.example")},
        {"aliases of unknown mailname", mailAliases("nobody", "pq-a.example")},
        {"mailname of the other domain", mailAliases("sales", "pq-o'b.example")},
        {"a quote cannot widen the query", mailnames("x' OR '1'='1")},
    };
    for (const Case& c : cases) {
        char** names = reinterpret_cast<char**>(&names);  // Must be reset.
        EXPECT_EQ(0, c.query(my, &names)) << c.name;
        EXPECT_EQ(nullptr, names) << c.name;
    }
    char* domain = reinterpret_cast<char*>(&domain);
    EXPECT_EQ(0, get_domain_by_domainalias(my, &domain, "pq-a.example"));
    EXPECT_EQ(nullptr, domain) << "a domain is no alias of itself";
}

// Lists of several rows are proved by the panel queries above.
TEST(ExecMysqlQuery, Results) {
    PanelRows rows;
    char** names = nullptr;
    EXPECT_EQ(0, exec_mysql_query(rows.handle(), "SELECT NULL", &names));
    EXPECT_EQ(List{""}, taken(names)) << "a NULL value is an empty name";
    EXPECT_EQ(0, exec_mysql_query(rows.handle(), "DO 1", &names));
    EXPECT_EQ(List{"(none)"}, taken(names)) << "a statement without a result set";
}

// The values themselves are proved through the mailbox quotas (RmMboxQuota).
TEST(GetDomLimit, QuotedIdAndOwnConnection) {
    PanelRows rows;
    int d = rows.addDomain("pq-limit.example", "0", rows.addLimit("mbox_quota", "1048576"));
    const char* quoted = get_dom_Limit("it's", "mbox_quota", rows.handle());
    EXPECT_STREQ("", quoted ? quoted : "(null)") << "a quote in the id";
    const char* own = get_dom_Limit(std::to_string(d).c_str(), "mbox_quota", nullptr);
    EXPECT_STREQ("1048576", own ? own : "(null)") << "own connection";
}

/// Without the password file, no helper can connect by itself.
class NoConnection : public ::testing::Test {
protected:
    testsupport::SavedFile shadow{QUARN_DB_PASSWORD_FILE};
    void SetUp() override { shadow.remove(); }
};

TEST_F(NoConnection, QueriesLogAndFail) {
    LogCapture log;
    char** names = nullptr;
    EXPECT_EQ(-1, exec_mysql_query(nullptr, "SELECT 1", &names));
    EXPECT_EQ(nullptr, names);
    EXPECT_EQ("Unable to open admin password file: No such file or directory|"
              "Unable to connect to mysql database|",
              log.text());
    EXPECT_EQ(nullptr, get_dom_Limit("1", "mbox_quota", nullptr));
}

TEST_F(NoConnection, EscapingEndsTheProcess) {
    EXPECT_EXIT(mysql_real_escape_entity(nullptr, "x"), ::testing::ExitedWithCode(1),
                "Unable to connect to mysql database for query escape");
}

}  // namespace
