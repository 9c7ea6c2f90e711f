#include "lib/panel/mysql_stream.h"

#include <string>

#include <gtest/gtest.h>

namespace {

using quarn::mysql::Connection;
using quarn::mysql::mError;
using quarn::mysql::Query;

// A handle that was never connected is enough for building statements and
// for escaping, which needs only the client's character set.
TEST(MysqlConnection, InsertionModes) {
    Connection conn(mysql_init(nullptr), true);
    conn << "SELECT " << Query::name << "c``o`l" << " FROM t WHERE a='" << Query::value
         << "it's \"x\"\\" << "' AND b='" << "raw'again" << "'";
    EXPECT_EQ("SELECT c````o``l FROM t WHERE a='it\\'s \\\"x\\\"\\\\' AND b='raw'again'",
              conn.statement())
        << "each mode holds for one insertion only";
    EXPECT_FALSE(conn.failed());
}

TEST(MysqlConnection, NumbersTakeTheModeToo) {
    Connection conn(mysql_init(nullptr), true);
    conn << -12 << " " << 1.5 << " " << std::uint64_t(18446744073709551615ULL) << " "
         << Query::name << 7 << Query::value << std::string("a'b") << "'";
    EXPECT_EQ("-12 1.500000 18446744073709551615 7a\\'b'", conn.statement());
}

TEST(MysqlConnection, NullTextSpoilsTheStatement) {
    Connection conn(false);
    conn << "SELECT " << static_cast<const char*>(nullptr) << " more";
    EXPECT_TRUE(conn.failed());
    try {
        conn << Query::exec;
        FAIL() << "no exception";
    } catch (const mError& e) {
        EXPECT_STREQ("null text inserted into query: SELECT ", e.what());
    }
    EXPECT_FALSE(conn.isOpen()) << "a spoiled statement is not sent";
    EXPECT_FALSE(conn.failed()) << "the next statement starts clean";
    EXPECT_EQ("", conn.statement());
}

TEST(MysqlError, Texts) {
    EXPECT_STREQ("Unknown error\n fetching result", mError(nullptr, " fetching result").what());
    MYSQL* fresh = mysql_init(nullptr);
    EXPECT_STREQ("Unknown error\n executing query: X", mError(fresh, " executing query: X").what())
        << "a handle without an error number";
    mysql_close(fresh);
}

TEST(MysqlResult, NoResultSetHasNoRows) {
    quarn::mysql::Result result(nullptr);
    quarn::mysql::row_t row;
    EXPECT_FALSE(result.fetch(&row));
    EXPECT_TRUE(result.fieldNames().empty());
}

}  // namespace
