// Connecting to the sandbox's panel database with the admin password file.
#include "lib/panel/quarn_db.h"

#include "tests/support/log_capture.h"
#include "tests/support/saved_file.h"

#include <boost/filesystem.hpp>

#include <string>

#include <gtest/gtest.h>

namespace {

/// What a connection function gave: "connected" or the message buffer.
std::string outcome(MYSQL* (*connect)(char*, size_t)) {
    char msgbuf[4097] = "";
    MYSQL* my = connect(msgbuf, sizeof msgbuf);
    if (!my)
        return msgbuf;
    mysql_close(my);
    return "connected";
}

const std::string DENIED =
    "Unable to connect to Quarn Database: Access denied for user 'admin'@'localhost' "
    "(using password: YES)";

// The sandbox's own file, the password and a line feed, is read by every
// connection of the other tests.
TEST(QuarnDbConnect, PasswordFileForms) {
    testsupport::SavedFile shadow(QUARN_DB_PASSWORD_FILE);
    ASSERT_TRUE(shadow.existed()) << "the sandbox provides " << QUARN_DB_PASSWORD_FILE;
    std::string pw = shadow.text().substr(0, shadow.text().find('\n'));
    ASSERT_FALSE(pw.empty());
    struct Case {
        const char* name;
        std::string file;
        std::string want;
    } cases[] = {
        {"no line feed", pw, "connected"},
        {"first line only", pw + "\nsecond line\n", "connected"},
        {"carriage return kept", pw + "\r\n", DENIED},
        {"wrong password", pw + "x\n", DENIED},
        {"empty file", "", "Unable to read admin password file: the file is empty"},
    };
    for (const Case& c : cases) {
        shadow.write(c.file);
        EXPECT_EQ(c.want, outcome(quarn_db_connect)) << c.name;
        EXPECT_EQ(c.want, outcome(quarn_db_connect_raw_ex)) << c.name;
    }
}

// A missing file is told by the queries' own connection (NoConnection).
TEST(QuarnDbConnect, PasswordFileIsADirectory) {
    testsupport::SavedFile shadow(QUARN_DB_PASSWORD_FILE);
    shadow.remove();
    boost::filesystem::create_directory(QUARN_DB_PASSWORD_FILE);
    EXPECT_EQ("Unable to read admin password file: Is a directory", outcome(quarn_db_connect));
}

// The database and the user show in the other tests' messages.
TEST(QuarnDbConnect, SetsNamesUtf8) {
    MYSQL* my = db_connect();
    ASSERT_NE(nullptr, my);
    ASSERT_EQ(0, mysql_query(my, "SELECT @@character_set_client"));
    MYSQL_RES* rows = mysql_store_result(my);
    MYSQL_ROW row = mysql_fetch_row(rows);
    // MariaDB calls utf8 utf8mb3 nowadays.
    EXPECT_EQ(0u, std::string(row[0]).rfind("utf8", 0)) << "got " << row[0];
    mysql_free_result(rows);
    mysql_close(my);
}

}  // namespace
