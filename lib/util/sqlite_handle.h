// Owners of SQLite connections and statements, and the repeat of calls that
// SQLite answers "busy": other processes share every database we use.
#ifndef QUARN_LIB_UTIL_SQLITE_HANDLE_H
#define QUARN_LIB_UTIL_SQLITE_HANDLE_H

#include <sqlite3.h>

#include <memory>

namespace quarn {

/// The pause before each repeat of a busy call: 0, 10, 20, 30 µs ...
class SqliteBusyPause {
public:
    /// Sleeps the current delay, then lengthens it; false when a signal
    /// cut the sleep short.
    bool pause();

private:
    long delayNs_ = 0;
};

/// Repeats `call` while it answers SQLITE_BUSY, pausing between the tries;
/// SQLITE_INTERRUPT when a pause was interrupted.
template <typename Call>
int sqliteRepeatWhileBusy(Call call) {
    SqliteBusyPause pause;
    int rc;
    while ((rc = call()) == SQLITE_BUSY)
        if (!pause.pause())
            return SQLITE_INTERRUPT;
    return rc;
}

/// Closes a connection, repeating the close while SQLite is busy.
struct SqliteCloser {
    void operator()(sqlite3* db) const noexcept;
};
using SqliteHandle = std::unique_ptr<sqlite3, SqliteCloser>;

struct SqliteFinalizer {
    void operator()(sqlite3_stmt* stmt) const noexcept { sqlite3_finalize(stmt); }
};
using SqliteStatement = std::unique_ptr<sqlite3_stmt, SqliteFinalizer>;

/// SQLite's text for the last error of `db`; "general DB errror" without a
/// connection to ask.
const char* sqliteErrorText(sqlite3* db);

/// Opens an existing database `path` read-only or read-write (never
/// creating it: a missing database is an error, not an empty new file) with
/// a 50 ms busy timeout. Logs `failure` (path and error text; by
/// default "Unable to open database %s: %s", or "(readonly)") and returns
/// null on failure.
SqliteHandle sqliteOpenLogged(const char* path, bool readonly, const char* failure = nullptr);

/// Prepares `sql`, repeating while busy; logs "Unable to prepare SQL
/// statement for query '%s': %s" and returns null on failure.
SqliteStatement sqlitePrepareLogged(sqlite3* db, const char* sql);

/// One step, repeated after a reset while busy.
int sqliteStep(sqlite3_stmt* stmt);

/// sqlite3_exec of `sql` without a callback, repeated while busy.
int sqliteExec(sqlite3* db, const char* sql);

/// The caller's connection when it gave one; otherwise one of its own,
/// opened with sqliteOpenLogged and closed at the end of the scope.
class SqliteSession {
public:
    SqliteSession(sqlite3* given, const char* path, bool readonly = false,
                  const char* openFailure = nullptr);
    SqliteSession(const SqliteSession&) = delete;
    SqliteSession& operator=(const SqliteSession&) = delete;

    /// Null when opening failed (already logged).
    sqlite3* get() const { return db_; }
    /// Closes the connection now when it is this session's own.
    void closeOwn() {
        if (own_) {
            own_.reset();
            db_ = nullptr;
        }
    }

private:
    SqliteHandle own_;
    sqlite3* db_;
};

}  // namespace quarn

#endif
