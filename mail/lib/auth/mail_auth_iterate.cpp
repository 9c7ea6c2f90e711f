#include "mail/lib/auth/mail_auth_iterate.h"

#include "lib/errors/log.h"
#include "mail/lib/auth/mail_auth_sql.h"
#include "mail/lib/auth/mail_passwd_cipher.h"
#include "mail/lib/cipher/secret_buffer.h"

#include <cstring>
#include <new>
#include <string>

namespace {

const char* const ITERATE_QUERY =
    "SELECT u.name || '@' || d.name as mailAddress, u.userPassword AS password, "
    "u.cmusaslsecretPLAIN AS encPassword, u.status AS userDisabled, d.status AS domainDisabled "
    "FROM users AS u, domains AS d WHERE u.dom_id = d.id";
const char* const CHECK_QUERY =
    "SELECT u.userPassword AS password, u.cmusaslsecretPLAIN AS encPassword, u.status AS "
    "userDisabled, d.status AS domainDisabled FROM users AS u, domains AS d WHERE u.dom_id = "
    "d.id AND u.name=? AND d.name=?";

const char* text(sqlite3_stmt* stmt, int column) {
    return reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
}

}  // namespace

int checkPassword(const char* mailAddress, const char* password, const char* encPassword,
                  int userStatus, int domainStatus, MailAuthVisitor checkerFunc, void* data) {
    int flags = 0;
    quarn::SecretCString plain;
    const char* given = encPassword ? encPassword : "";  // visitors never get null
    if (password && *password) {
        plain.reset(mailPasswdCipherOp(password, MAIL_PASSWD_DECRYPT, mailAddress, nullptr));
        given = plain ? plain.get() : password;
    } else {
        flags = MAIL_AUTH_CRYPTED;
    }
    if (userStatus)
        flags |= MAIL_AUTH_DISABLED;
    if (domainStatus)
        flags |= MAIL_DOMAIN_AUTH_DISABLED;
    return checkerFunc(mailAddress, given, static_cast<MailAuthFlagsT>(flags), data);
}

int prepareIterateDBQuery(quarn::SqliteHandle* pdb, quarn::SqliteStatement* pPStmt,
                          const char* predicate) {
    std::string sql;
    try {
        sql = ITERATE_QUERY;
        if (predicate && *predicate)
            sql = sql + " " + predicate;
    } catch (const std::bad_alloc&) {
        quarn_log(2, "Insufficient memory");
        return -1;
    }
    *pdb = quarn::openMailAuthDB(true);
    if (!*pdb)
        return -1;
    *pPStmt = quarn::sqlitePrepareLogged(pdb->get(), sql.c_str());
    return *pPStmt ? 0 : -1;
}

int doIterateDB(sqlite3_stmt* stmt, MailAuthVisitor checkerFunc, void* data) {
    int result = 1;
    int rc = SQLITE_DONE;
    while (result > 0 && (rc = quarn::sqliteStep(stmt)) == SQLITE_ROW) {
        const char* address = text(stmt, 0);
        if (!address || !*address) {
            quarn_log(4, "NULL or empty mail address stored in the database, skipped");
            continue;
        }
        const char* password = text(stmt, 1);
        const char* encPassword = text(stmt, 2);
        if (!password && !encPassword) {
            quarn_log(6,
                      "empty password properties (both plain and encrypted) for user %s, skipped",
                      address);
            continue;
        }
        result = checkPassword(address, password, encPassword, sqlite3_column_int(stmt, 3),
                               sqlite3_column_int(stmt, 4), checkerFunc, data);
    }
    if (result > 0 && rc != SQLITE_DONE) {
        quarn_log(3, "Unable to execute the user selection query: %s",
                  sqlite3_errmsg(sqlite3_db_handle(stmt)));
        return -1;
    }
    return result;
}

int mailAuthCheck(const char* mailAddress, MailAuthVisitor checkerFunc, void* data) {
    const char* at = mailAddress ? std::strchr(mailAddress, '@') : nullptr;
    if (!at || at == mailAddress || !at[1]) {
        quarn_log(3, "Invalid mail address '%s'", mailAddress ? mailAddress : "");
        return -1;
    }
    quarn::SqliteHandle db = quarn::openMailAuthDB(true);
    if (!db)
        return -1;
    quarn::AuthQuery query(db.get(), CHECK_QUERY);
    if (!query.ok())
        return -1;
    std::string local(mailAddress, at - mailAddress);
    if (sqlite3_bind_text(query.get(), 1, local.data(), static_cast<int>(local.size()),
                          SQLITE_STATIC) != SQLITE_OK) {
        quarn_log(3, "Unable to bind parameter mailname '%s' to SQL statement for query '%s': %s",
                  local.c_str(), query.sql(), query.error());
        return -1;
    }
    if (!query.bindText(2, "domain name", at + 1))
        return -1;
    int rc = query.step();
    if (rc == SQLITE_DONE) {
        quarn_log(6, "No such user '%s' in mail authorization database", mailAddress);
        return 1;
    }
    if (rc != SQLITE_ROW) {
        quarn_log(3, "Unable to execute the user selection query: %s", query.error());
        return -1;
    }
    sqlite3_stmt* row = query.get();
    if (!text(row, 0) && !text(row, 1)) {
        quarn_log(6, "NULL password fields (both plain and encrypted) for user %s, skipped",
                  mailAddress);
        return -1;
    }
    return checkPassword(mailAddress, text(row, 0), text(row, 1), sqlite3_column_int(row, 2),
                         sqlite3_column_int(row, 3), checkerFunc, data);
}

int mailAuthCheckShort(const char* mailname, MailAuthVisitor checkerFunc, void* data) {
    quarn::SqliteHandle db;
    quarn::SqliteStatement stmt;
    if (prepareIterateDBQuery(&db, &stmt, "AND u.name=?") != 0)
        return -1;
    if (sqlite3_bind_text(stmt.get(), 1, mailname, -1, SQLITE_STATIC) != SQLITE_OK) {
        quarn_log(3, "Unable to bind parameter mailname '%s' to SQL statement for query '%s': %s",
                  mailname, sqlite3_sql(stmt.get()), sqlite3_errmsg(db.get()));
        return -1;
    }
    return doIterateDB(stmt.get(), checkerFunc, data);
}

int mailAuthIterateAll(MailAuthVisitor checkerFunc, void* data) {
    quarn::SqliteHandle db;
    quarn::SqliteStatement stmt;
    if (prepareIterateDBQuery(&db, &stmt, "ORDER BY d.name, u.name") != 0)
        return -1;
    return doIterateDB(stmt.get(), checkerFunc, data);
}
