// One statement on the mail-authentication database, with the messages of
// its failures: prepare, bind (texts without copying), step with the repeat
// of busy answers.
#ifndef QUARN_MAIL_LIB_AUTH_MAIL_AUTH_SQL_H
#define QUARN_MAIL_LIB_AUTH_MAIL_AUTH_SQL_H

#include "lib/util/sqlite_handle.h"

namespace quarn {

/// A connection to the current database (mailAuthDB), logged on failure.
SqliteHandle openMailAuthDB(bool readonly);

class AuthQuery {
public:
    /// Prepares `sql`, which must outlive the query; see ok().
    AuthQuery(sqlite3* db, const char* sql);

    bool ok() const { return static_cast<bool>(stmt_); }
    sqlite3_stmt* get() const { return stmt_.get(); }

    /// Binds a text; a failure logs "Unable to bind parameter <what> '<value>'
    /// to SQL statement for query ...".
    bool bindText(int index, const char* what, const char* value);
    /// Binds a password; its failure message never shows the value.
    bool bindPassword(int index, const char* value);
    bool bindStatus(int index, int status);
    bool bindDomainId(int index, int id);

    /// One step (busy answers repeated).
    int step() { return sqliteStep(stmt_.get()); }
    /// Steps a change to its end; otherwise logs `failure` with the query
    /// and the error text (or the error text alone when `withQuery` is false).
    bool run(const char* failure, bool withQuery = true);

    const char* error() const { return sqliteErrorText(db_); }
    const char* sql() const { return sql_; }

private:
    sqlite3* db_;
    const char* sql_;
    SqliteStatement stmt_;
};

}  // namespace quarn

#endif
