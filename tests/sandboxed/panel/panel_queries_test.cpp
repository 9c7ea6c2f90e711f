// The panel queries against the sandbox's panel database.
#include "lib/panel/mysql_query.h"
#include "lib/panel/panel_queries.h"
#include "lib/panel/quarn_db.h"

#include "tests/sandboxed/panel/panel_rows.h"
#include "tests/support/log_capture.h"
#include "tests/support/saved_file.h"

#include <algorithm>
#include <cstdlib>
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

TEST(PanelQueries, ListsHoldThePanelRows) {
    TwoDomains db;
    for (MYSQL* my : {db.rows.handle(), static_cast<MYSQL*>(nullptr)}) {
        const char* how = my ? "given connection" : "own connection";
        char** names = nullptr;
        EXPECT_EQ(0, get_domaliases_by_domain(my, &names, "pq-a.example")) << how;
        EXPECT_EQ((List{"pq-a1.example", "pq-a2.example"}), taken(names)) << how;
        EXPECT_EQ(0, get_mailnames_by_domain(my, &names, "pq-a.example")) << how;
        EXPECT_EQ((List{"info", "sales"}), taken(names)) << how;
        EXPECT_EQ(0, get_aliases_by_mailname(my, &names, "info", "pq-a.example")) << how;
        EXPECT_EQ((List{"contact", "hello"}), taken(names)) << how;
        EXPECT_EQ(0, get_aliases_by_mailname(my, &names, "info", "pq-o'b.example")) << how;
        EXPECT_EQ((List{"other"}), taken(names)) << how;
        EXPECT_EQ(0, get_domaliases_by_domain(my, &names, "pq-o'b.example")) << how;
        EXPECT_EQ((List{"pq-b\"1.example"}), taken(names)) << how;
        EXPECT_EQ(0, get_mailnames_by_domain(my, &names, "pq-o'b.example")) << how;
        EXPECT_EQ((List{"info", "it's\\me"}), taken(names)) << how;
        EXPECT_EQ(0, get_aliases_by_mailname(my, &names, "it's\\me", "pq-o'b.example")) << how;
        EXPECT_EQ((List{"x'y"}), taken(names)) << how;
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
        int (*run)(MYSQL*, char***);
    } cases[] = {
        {"aliases of unknown domain",
         [](MYSQL* m, char*** n) { return get_domaliases_by_domain(m, n, "pq-none.example"); }},
        {"aliases of an alias",
         [](MYSQL* m, char*** n) { return get_domaliases_by_domain(m, n, "pq-a1.example"); }},
        {"mailnames of unknown domain",
         [](MYSQL* m, char*** n) { return get_mailnames_by_domain(m, n, "pq-none.example"); }},
        {"aliases of unknown mailname",
         [](MYSQL* m, char*** n) { return get_aliases_by_mailname(m, n, "nobody", "pq-a.example"); }},
        {"mailname of the other domain",
         [](MYSQL* m, char*** n) { return get_aliases_by_mailname(m, n, "sales", "pq-o'b.example"); }},
        {"a quote cannot widen the query",
         [](MYSQL* m, char*** n) { return get_mailnames_by_domain(m, n, "x' OR '1'='1"); }},
    };
    for (const Case& c : cases) {
        char** names = reinterpret_cast<char**>(&names);  // Must be reset.
        EXPECT_EQ(0, c.run(my, &names)) << c.name;
        EXPECT_EQ(nullptr, names) << c.name;
    }
    char* domain = reinterpret_cast<char*>(&domain);
    EXPECT_EQ(0, get_domain_by_domainalias(my, &domain, "pq-a.example"));
    EXPECT_EQ(nullptr, domain) << "a domain is no alias of itself";
}

TEST(ExecMysqlQuery, Results) {
    PanelRows rows;
    char** names = nullptr;
    EXPECT_EQ(0, exec_mysql_query(rows.handle(), "SELECT 'b' UNION SELECT 'a'", &names));
    EXPECT_EQ((List{"a", "b"}), taken(names));
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
