#include "mail/lib/auth/mail_auth_sql.h"

#include "lib/errors/log.h"
#include "mail/lib/auth/mail_auth_location.h"

namespace quarn {

SqliteHandle openMailAuthDB(bool readonly) { return sqliteOpenLogged(mailAuthDB, readonly); }

AuthQuery::AuthQuery(sqlite3* db, const char* sql)
    : db_(db), sql_(sql), stmt_(sqlitePrepareLogged(db, sql)) {}

bool AuthQuery::bindText(int index, const char* what, const char* value) {
    if (sqlite3_bind_text(stmt_.get(), index, value, -1, SQLITE_STATIC) == SQLITE_OK)
        return true;
    quarn_log(3, "Unable to bind parameter %s '%s' to SQL statement for query '%s': %s", what,
              value ? value : "", sql_, error());
    return false;
}

bool AuthQuery::bindPassword(int index, const char* value) {
    if (sqlite3_bind_text(stmt_.get(), index, value, -1, SQLITE_STATIC) == SQLITE_OK)
        return true;
    quarn_log(3, "Unable to bind parameter password to  SQL statement for query '%s': %s", sql_,
              error());
    return false;
}

bool AuthQuery::bindStatus(int index, int status) {
    if (sqlite3_bind_int(stmt_.get(), index, status) == SQLITE_OK)
        return true;
    quarn_log(3, "Unable to bind parameter status %d to  SQL statement for query '%s': %s", status,
              sql_, error());
    return false;
}

bool AuthQuery::bindDomainId(int index, int id) {
    if (sqlite3_bind_int(stmt_.get(), index, id) == SQLITE_OK)
        return true;
    quarn_log(3, "Unable to bind parameter domain ID %d to  SQL statement for query '%s': %s", id,
              sql_, error());
    return false;
}

bool AuthQuery::run(const char* failure, bool withQuery) {
    if (step() == SQLITE_DONE)
        return true;
    if (withQuery)
        quarn_log(3, failure, sql_, error());
    else
        quarn_log(3, failure, error());
    return false;
}

}  // namespace quarn
