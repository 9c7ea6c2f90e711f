// SQLite files read back in tests with the sqlite3 command-line tool.
#ifndef TESTS_SUPPORT_SQLITE_ROWS_H
#define TESTS_SUPPORT_SQLITE_ROWS_H

#include "lib/runner/exec_cmd.h"

#include <string>

namespace testsupport {

/// What `sqlite3 -nullvalue NULL <db> <sql>` prints: one line per row,
/// columns joined by "|".
inline std::string sqliteRows(const std::string& db, const std::string& sql) {
    quarn::ExecCmd cmd("/usr/bin/sqlite3");
    cmd << "-nullvalue"
        << "NULL" << db << sql;
    cmd.exec();
    return cmd.getOutput();
}

}  // namespace testsupport

#endif
