#include "mail/lib/handlers/mh_query.h"

#include "lib/errors/log.h"

const char* mh_db_path = "/var/lib/quarn/mail/handlers/handlers.db";

namespace quarn {

MhSession::MhSession(sqlite3* given, const char* openFailure)
    : SqliteSession(given, mh_db_path, false, openFailure) {}

MhQuery::MhQuery(sqlite3* db, const char* sql, const char* kind)
    : db_(db), kind_(kind), stmt_(sqlitePrepareLogged(db, sql)) {}

bool MhQuery::bindText(int index, const char* name, const char* value) {
    if (sqlite3_bind_text(stmt_.get(), index, value, -1, SQLITE_STATIC) == SQLITE_OK)
        return true;
    quarn_log(3, "Unable to bind parameter '%s' to the '%s' query: %s", name, kind_, error());
    return false;
}

bool MhQuery::bindInt(int index, const char* name, int value) {
    if (sqlite3_bind_int(stmt_.get(), index, value) == SQLITE_OK)
        return true;
    quarn_log(3, "Unable to bind parameter '%s' to the '%s' query: %s", name, kind_, error());
    return false;
}

bool MhQuery::run(const char* failure) {
    if (step() == SQLITE_DONE)
        return true;
    quarn_log(3, failure, error());
    return false;
}

int mhRunChange(sqlite3* db, const char* sql, const char* kind, const int* enabled,
                const char* textName, const char* text, const char* failure) {
    MhSession session(db);
    if (!session.get())
        return -1;
    MhQuery query(session.get(), sql, kind);
    if (!query.ok() || (enabled && !query.bindInt(1, "enabled", *enabled)) ||
        !query.bindText(enabled ? 2 : 1, textName, text))
        return -1;
    return query.run(failure) ? 0 : -1;
}

}  // namespace quarn
