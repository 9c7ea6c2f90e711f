#include "mail/lib/auth/mail_auth_domain.h"

#include "lib/errors/log.h"
#include "mail/lib/auth/mail_auth_sql.h"

namespace quarn {

namespace {

const char* const SELECT_DOMAIN = "SELECT id FROM domains WHERE name=?";
const char* const INSERT_DOMAIN = "INSERT INTO domains (name, status) VALUES(?, ?)";

// The id of an existing row: 0 found, 1 absent, -1 error.
int selectDomainId(const char* domain, sqlite3* db, int* id) {
    AuthQuery query(db, SELECT_DOMAIN);
    if (!query.ok() || !query.bindText(1, "domain name", domain))
        return -1;
    int rc = query.step();
    if (rc == SQLITE_ROW) {
        *id = sqlite3_column_int(query.get(), 0);
        return 0;
    }
    if (rc == SQLITE_DONE)
        return 1;
    quarn_log(3, "Unable to execute the domain selection query: %s", query.error());
    return -1;
}

// Inserts the row: 0 with its id, 1 when another process inserted it first,
// -1 error.
int insertDomain(const char* domain, sqlite3* db, int flags, int* id) {
    AuthQuery query(db, INSERT_DOMAIN);
    if (!query.ok() || !query.bindText(1, "domain name", domain) ||
        !query.bindStatus(2, flags ? 1 : 0))
        return -1;
    int rc = query.step();
    if (rc == SQLITE_DONE) {
        *id = static_cast<int>(sqlite3_last_insert_rowid(db));
        return 0;
    }
    if (sqlite3_extended_errcode(db) == SQLITE_CONSTRAINT_UNIQUE)
        return 1;
    quarn_log(3, "Unable to execute the mail domain authentication registration query: %s",
              query.error());
    return -1;
}

}  // namespace

int findDomainId(const char* domain, sqlite3* db, int flags, int* id) {
    int found = selectDomainId(domain, db, id);
    if (found != 1 || (flags & MAIL_AUTH_DO_NOT_CHANGE))
        return found;
    int inserted = insertDomain(domain, db, flags, id);
    // Another run created the row between our select and insert: use it.
    return inserted == 1 ? selectDomainId(domain, db, id) : inserted;
}

}  // namespace quarn

int getDomainId(const char* domain, sqlite3* db, int flags) {
    int id = -1;
    return quarn::findDomainId(domain, db, flags, &id) == 0 ? id : -1;
}

namespace {

// One change of the domains table: texts bound in order, or a status first.
int changeDomain(const char* sql, const char* failure, int status, const char* first,
                 const char* firstWhat, const char* second, const char* secondWhat) {
    quarn::SqliteHandle db = quarn::openMailAuthDB(false);
    if (!db)
        return -1;
    quarn::AuthQuery query(db.get(), sql);
    if (!query.ok())
        return -1;
    int index = 1;
    if (status >= 0 && !query.bindStatus(index++, status))
        return -1;
    if (!query.bindText(index++, firstWhat, first))
        return -1;
    if (second && !query.bindText(index, secondWhat, second))
        return -1;
    return query.run(failure) ? 0 : -1;
}

const char* const STATUS_FAILURE =
    "Unable to execute the mail domain authorization status change query: %s: %s";

}  // namespace

int mailAuthDisableDomain(const char* domain) {
    return changeDomain("UPDATE domains SET status=? WHERE name=?", STATUS_FAILURE, 1, domain,
                        "domain name", nullptr, nullptr);
}

int mailAuthEnableDomain(const char* domain) {
    return changeDomain("UPDATE domains SET status=? WHERE name=?", STATUS_FAILURE, 0, domain,
                        "domain name", nullptr, nullptr);
}

int mailAuthRenameDomain(const char* oldDomain, const char* newDomain) {
    return changeDomain("UPDATE domains SET name=? WHERE name=?",
                        "Unable to execute the mail domain authorization name change query: %s: %s",
                        -1, newDomain, "new domain name", oldDomain, "old domain name");
}

int mailAuthRemoveDomain(const char* domain) {
    return changeDomain("DELETE FROM domains WHERE name=?",
                        "Unable to execute the domain mail authorization removal query: %s: %s", -1,
                        domain, "domain name", nullptr, nullptr);
}
