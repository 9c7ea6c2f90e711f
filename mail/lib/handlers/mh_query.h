// One statement on the mail-handlers database: the database path, opening
// when the caller gave no connection, binding with the messages of the
// statement's kind and stepping with the repeat of busy answers.
#ifndef QUARN_MAIL_LIB_HANDLERS_MH_QUERY_H
#define QUARN_MAIL_LIB_HANDLERS_MH_QUERY_H

#include "lib/util/sqlite_handle.h"

/// The database file, "/var/lib/quarn/mail/handlers/handlers.db" unless set.
extern const char* mh_db_path;

namespace quarn {

/// The caller's connection, or the database opened for this call.
class MhSession : public SqliteSession {
public:
    explicit MhSession(sqlite3* given, const char* openFailure = nullptr);
};

class MhQuery {
public:
    /// Prepares `sql` (logged on failure); `kind` ("INSERT", "DELETE",
    /// "UPDATE", "SELECT") names it in binding messages.
    MhQuery(sqlite3* db, const char* sql, const char* kind);

    bool ok() const { return static_cast<bool>(stmt_); }
    sqlite3_stmt* get() const { return stmt_.get(); }

    /// Binds in order; a failure logs "Unable to bind parameter '<name>' to
    /// the '<kind>' query: ...".
    bool bindText(int index, const char* name, const char* value);
    bool bindInt(int index, const char* name, int value);

    int step() { return sqliteStep(stmt_.get()); }
    /// Steps a change to its end; otherwise logs `failure` with the error text.
    bool run(const char* failure);
    const char* error() const { return sqliteErrorText(db_); }

private:
    sqlite3* db_;
    const char* kind_;
    SqliteStatement stmt_;
};

/// Runs a change with one text parameter, after `*enabled` when that is
/// given. 0 or -1.
int mhRunChange(sqlite3* db, const char* sql, const char* kind, const int* enabled,
                const char* textName, const char* text, const char* failure);

}  // namespace quarn

#endif
