// Misc settings and the query-stream client against the sandbox's panel
// database.
#include "lib/panel/misc_params.h"
#include "lib/panel/mysql_stream.h"

#include "tests/sandboxed/panel/panel_rows.h"
#include "tests/support/log_capture.h"

#include <functional>
#include <string>
#include <utility>

#include <gtest/gtest.h>

namespace {

using quarn::mysql::Connection;
using quarn::mysql::mError;
using quarn::mysql::Query;
using namespace quarn::mail::restore;

TEST(GetBoolMiscParamSafe, OnlyTrueIsTrue) {
    struct Case {
        const char* val;  // null: the value is NULL
        bool fallback;
        bool want;
    } cases[] = {
        {"true", false, true},  {"true", true, true},   {"True", true, false},
        {"TRUE", true, false},  {"1", true, false},     {"yes", true, false},
        {"false", true, false}, {"", true, false},      {" true", true, false},
        {nullptr, true, true},  {nullptr, false, false},
    };
    Connection conn;
    for (const Case& c : cases) {
        testsupport::PanelRows rows;
        rows.setMisc("pq_flag", c.val);
        EXPECT_EQ(c.want, getBoolMiscParamSafe("pq_flag", conn, c.fallback))
            << "val " << (c.val ? c.val : "NULL") << ", fallback " << c.fallback;
    }
    testsupport::PanelRows rows;
    rows.clearMisc("pq_flag");
    // No row with false to fall back on: the submission service commands.
    EXPECT_TRUE(getBoolMiscParamSafe("pq_flag", conn, true)) << "no row";
}

TEST(MysqlStream, ExecAndFetch) {
    Connection conn;
    conn << "CREATE TEMPORARY TABLE pq_t (a INT, b VARCHAR(20))" << Query::exec;
    EXPECT_EQ(2u, conn << "INSERT INTO pq_t VALUES (" << 1 << ", '" << Query::value << "it's"
                       << "'), (2, NULL)" << Query::exec);
    quarn::mysql::Result result = conn << "SELECT a, b FROM pq_t ORDER BY a" << Query::fetch;
    EXPECT_EQ((std::vector<std::string>{"a", "b"}), result.fieldNames());
    quarn::mysql::row_t row;
    ASSERT_TRUE(result.fetch(&row));
    EXPECT_EQ("1", row["a"].value);
    EXPECT_EQ("it's", row["b"].value);
    EXPECT_FALSE(row["b"].isNull);
    ASSERT_TRUE(result.fetch(&row));
    EXPECT_EQ("2", row["a"].value);
    EXPECT_TRUE(row["b"].isNull);
    EXPECT_FALSE(result.fetch(&row));
    EXPECT_EQ(1u, conn << "UPDATE pq_t SET b=" << "'x'" << " WHERE a=" << 2 << Query::exec);
    EXPECT_EQ(2u, conn << "SELECT * FROM pq_t" << Query::exec) << "a result set is read away";
    EXPECT_EQ(0u, conn << "DELETE FROM pq_t WHERE a=" << 3 << Query::exec);
}

TEST(MysqlStream, Errors) {
    Connection conn;
    const std::pair<std::function<void()>, std::string> cases[] = {
        {[&] { conn << "SELECT * FROM pq_nowhere" << Query::exec; },
         "MySQL error 1146: Table 'vel.pq_nowhere' doesn't exist executing query: "
         "SELECT * FROM pq_nowhere"},
        {[&] { conn << "SELECT 1 AS a, 2 AS a" << Query::fetch; }, "duplicated field a in query"},
    };
    for (const auto& [run, want] : cases) {
        try {
            run();
            ADD_FAILURE() << "got no exception, want " << want;
        } catch (const mError& e) {
            EXPECT_EQ(want, e.what());
        }
    }
    EXPECT_EQ(1u, conn << "SELECT 1" << Query::exec) << "the connection goes on after errors";
}

}  // namespace
