// SQLite files read back in tests with the sqlite3 command-line tool, and
// held by a reader while others write.
#ifndef TESTS_SUPPORT_SQLITE_ROWS_H
#define TESTS_SUPPORT_SQLITE_ROWS_H

#include "lib/runner/exec_cmd.h"

#include <sqlite3.h>
#include <unistd.h>

#include <string>

namespace testsupport {

/// What `sqlite3 -nullvalue NULL <db> <sql>` prints: one line per row,
/// columns joined by "|".
inline std::string sqliteRows(const std::string& db, const std::string& sql) {
    quarn::ExecCmd cmd("/usr/bin/sqlite3");
    cmd << "-nullvalue" << "NULL" << db << sql;
    cmd.exec();
    return cmd.getOutput();
}

/// Holds a read transaction over `table` of `db` for a second, telling
/// `readyFd` once it holds it: writers meanwhile must wait, not fail.
inline void holdSqliteRead(const std::string& db, const std::string& table, int readyFd) {
    sqlite3* handle = nullptr;
    sqlite3_open_v2(db.c_str(), &handle, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_exec(handle, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(handle, ("SELECT count(*) FROM " + table).c_str(), -1, &stmt, nullptr);
    sqlite3_step(stmt);
    write(readyFd, "r", 1);
    sleep(1);
    sqlite3_finalize(stmt);
    sqlite3_exec(handle, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(handle);
}

}  // namespace testsupport

#endif
