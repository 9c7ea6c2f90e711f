#include "mail/lib/auth/mail_auth_user.h"

#include "lib/errors/log.h"
#include "mail/lib/auth/mail_auth_domain.h"
#include "mail/lib/auth/mail_auth_sql.h"
#include "mail/lib/auth/mail_passwd_cipher.h"

#include <cstring>

using quarn::AuthQuery;

namespace {

const char* const INSERT_PLAIN =
    "INSERT OR REPLACE INTO users (name, userPassword, status, dom_id) VALUES (?, ?, ?, ?)";
const char* const INSERT_CRYPTED =
    "INSERT OR REPLACE INTO users (name, cmusaslsecretPLAIN, status, dom_id) VALUES (?, ?, ?, ?)";
const char* const SELECT_DOMAIN = "SELECT id, status FROM domains WHERE name=?";
const char* const SELECT_USER =
    "SELECT name, userPassword, cmusaslsecretPLAIN, status FROM users WHERE dom_id=? AND name=?";

char* columnCopy(sqlite3_stmt* stmt, int column) {
    const unsigned char* text = sqlite3_column_text(stmt, column);
    return text ? strdup(reinterpret_cast<const char*>(text)) : nullptr;
}

// The user row of domain `domId` into `data`; 0 also when there is none.
int readUser(sqlite3* db, int domId, const char* name, passwd_type_t* data) {
    AuthQuery query(db, SELECT_USER);
    if (!query.ok() || !query.bindDomainId(1, domId) || !query.bindText(2, "mailname", name))
        return -1;
    int rc = query.step();
    if (rc == SQLITE_DONE)
        return 0;
    if (rc != SQLITE_ROW) {
        quarn_log(3, "Unable to execute the user selection query: %s", query.error());
        return -1;
    }
    sqlite3_stmt* row = query.get();
    bool enciphered = sqlite3_column_type(row, 1) != SQLITE_NULL;
    data->passwd.reset(columnCopy(row, enciphered ? 1 : 2));
    data->flags |= enciphered ? 0 : MAIL_AUTH_CRYPTED;
    if (sqlite3_column_int(row, 3))
        data->flags |= MAIL_AUTH_DISABLED;
    data->name.reset(columnCopy(row, 0));
    return 0;
}

}  // namespace

int mailAuthSetRaw(const char* mailName, const char* mailDomain, const char* password, int flags) {
    quarn::SqliteHandle db = quarn::openMailAuthDB(false);
    if (!db)
        return -1;
    int domId = -1;
    if (quarn::findDomainId(mailDomain, db.get(), flags & MAIL_DOMAIN_AUTH_DISABLED, &domId) != 0)
        return -1;
    AuthQuery query(db.get(), (flags & MAIL_AUTH_CRYPTED) ? INSERT_CRYPTED : INSERT_PLAIN);
    if (!query.ok() || !query.bindText(1, "mailname", mailName) ||
        !query.bindPassword(2, password) ||
        !query.bindStatus(3, (flags & MAIL_AUTH_DISABLED) ? 1 : 0) || !query.bindDomainId(4, domId))
        return -1;
    bool stored = query.run("Unable to execute the mail authorization registration query: %s: %s");
    return stored ? 0 : -1;
}

int mailAuthSet(const char* mailName, const char* mailDomain, const char* password, int flags) {
    if (!password || (flags & MAIL_AUTH_CRYPTED))
        return mailAuthSetRaw(mailName, mailDomain, password, flags);
    quarn::MallocString stored(
        mailPasswdCipherOp(password, MAIL_PASSWD_ENCRYPT, mailName, mailDomain));
    if (!stored)
        return -1;
    return mailAuthSetRaw(mailName, mailDomain, stored.get(), flags);
}

int set_postbox_passwd(const char* mailName, const char* mailDomain, const char* password,
                       int flags) {
    if (password && *password)
        return mailAuthSet(mailName, mailDomain, password, flags);
    return mailAuthRemove(mailName, mailDomain);
}

int get_user_data(passwd_type_t* data, const char* name, const char* domain) {
    *data = passwd_type_t();
    quarn::SqliteHandle db = quarn::openMailAuthDB(true);
    if (!db)
        return -1;
    AuthQuery query(db.get(), SELECT_DOMAIN);
    if (!query.ok() || !query.bindText(1, "domain name", domain))
        return -1;
    int rc = query.step();
    if (rc == SQLITE_DONE)
        return 0;
    if (rc != SQLITE_ROW) {
        quarn_log(3, "Unable to execute the domain selection query: %s", query.error());
        return -1;
    }
    int domId = sqlite3_column_int(query.get(), 0);
    if (sqlite3_column_int(query.get(), 1))
        data->flags |= MAIL_DOMAIN_AUTH_DISABLED;
    return readUser(db.get(), domId, name, data);
}

int mailAuthClone(const char* oldName, const char* oldDomain, const char* newName,
                  const char* newDomain) {
    passwd_type_t data;
    if (get_user_data(&data, oldName, oldDomain) != 0) {
        quarn_log(3, "Unable to get users list from MTA password database");
        return -1;
    }
    if (!data.name)
        return 0;
    // The stored text is copied as it is: never deciphered on the way.
    return mailAuthSetRaw(newName, newDomain, data.passwd.get(), data.flags);
}

int mailAuthRemove(const char* mailName, const char* mailDomain) {
    quarn::SqliteHandle db = quarn::openMailAuthDB(false);
    if (!db)
        return -1;
    int domId = -1;
    int found = quarn::findDomainId(mailDomain, db.get(), MAIL_AUTH_DO_NOT_CHANGE, &domId);
    if (found != 0)
        return found == 1 ? 0 : -1;
    AuthQuery query(db.get(), "DELETE FROM users WHERE name=? AND dom_id=?");
    if (!query.ok() || !query.bindText(1, "mailname", mailName) || !query.bindDomainId(2, domId))
        return -1;
    return query.run("Unable to execute the mail authorization removal query: %s: %s") ? 0 : -1;
}

int mailAuthRename(const char* oldMailName, const char* newMailName, const char* mailDomain) {
    quarn::SqliteHandle db = quarn::openMailAuthDB(false);
    if (!db)
        return -1;
    int domId = -1;
    int found = quarn::findDomainId(mailDomain, db.get(), MAIL_AUTH_DO_NOT_CHANGE, &domId);
    if (found == 1)
        quarn_log(3, "No such domain '%s' in the mail authentication DB", mailDomain);
    if (found != 0)
        return -1;
    AuthQuery query(db.get(), "UPDATE users SET name=? WHERE name=? AND dom_id=?");
    if (!query.ok() || !query.bindText(1, "new mailname", newMailName) ||
        !query.bindText(2, "old mailname", oldMailName) || !query.bindDomainId(3, domId))
        return -1;
    return query.run("Unable to execute the mail authorization renaming query: %s: %s") ? 0 : -1;
}
