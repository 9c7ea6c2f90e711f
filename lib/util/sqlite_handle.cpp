#include "lib/util/sqlite_handle.h"

#include "lib/errors/log.h"

#include <cerrno>
#include <ctime>

namespace quarn {

namespace {

const int BUSY_TIMEOUT_MS = 50;
const long PAUSE_STEP_NS = 10000;

}  // namespace

bool SqliteBusyPause::pause() {
    if (delayNs_ > 0) {
        struct timespec delay = {delayNs_ / 1000000000L, delayNs_ % 1000000000L};
        if (nanosleep(&delay, nullptr) != 0)
            return false;
    }
    delayNs_ += PAUSE_STEP_NS;
    return true;
}

void SqliteCloser::operator()(sqlite3* db) const noexcept {
    if (sqliteRepeatWhileBusy([db] { return sqlite3_close(db); }) != SQLITE_OK)
        sqlite3_close_v2(db);  // Never leak it: it goes once its statements do.
}

const char* sqliteErrorText(sqlite3* db) { return db ? sqlite3_errmsg(db) : "general DB errror"; }

SqliteHandle sqliteOpenLogged(const char* path, bool readonly, const char* failure) {
    sqlite3* raw = nullptr;
    int flags = readonly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE;
    int rc = sqlite3_open_v2(path, &raw, flags, nullptr);
    SqliteHandle db(raw);
    if (rc != SQLITE_OK) {
        if (!failure)
            failure = readonly ? "Unable to open database(readonly) %s: %s"
                               : "Unable to open database %s: %s";
        quarn_log(3, failure, path, sqliteErrorText(raw));
        return nullptr;
    }
    sqlite3_busy_timeout(raw, BUSY_TIMEOUT_MS);
    return db;
}

SqliteStatement sqlitePrepareLogged(sqlite3* db, const char* sql) {
    sqlite3_stmt* raw = nullptr;
    int rc = sqliteRepeatWhileBusy([&] { return sqlite3_prepare_v2(db, sql, -1, &raw, nullptr); });
    SqliteStatement stmt(raw);
    if (rc != SQLITE_OK || !raw) {
        quarn_log(3, "Unable to prepare SQL statement for query '%s': %s", sql,
                  sqliteErrorText(db));
        return nullptr;
    }
    return stmt;
}

int sqliteStep(sqlite3_stmt* stmt) {
    bool again = false;
    return sqliteRepeatWhileBusy([&] {
        if (again)
            sqlite3_reset(stmt);
        again = true;
        return sqlite3_step(stmt);
    });
}

int sqliteExec(sqlite3* db, const char* sql) {
    return sqliteRepeatWhileBusy([&] { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr); });
}

SqliteSession::SqliteSession(sqlite3* given, const char* path, bool readonly,
                             const char* openFailure)
    : db_(given) {
    if (!db_) {
        own_ = sqliteOpenLogged(path, readonly, openFailure);
        db_ = own_.get();
    }
}

}  // namespace quarn
