#include "mail/lib/auth/mail_auth_location.h"

#include <libgen.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char* const QMAIL_DB = "/var/lib/quarn/mail/auth/passwd.db";
const char* const QMAIL_KEY = "/var/lib/quarn/mail/auth/passwd_db_key";
const char* const POSTFIX_DB = "/var/spool/postfix/quarn/passwd.db";
const char* const POSTFIX_KEY = "/var/spool/postfix/quarn/passwd_db_key";

}  // namespace

const char* mailAuthDB = QMAIL_DB;
const char* mailAuthKey = QMAIL_KEY;

void mailAuthDBSelectStyle(int style) {
    switch (style) {
    case MAIL_AUTH_DB_QMAIL_STYLE:
        mailAuthDB = QMAIL_DB;
        mailAuthKey = QMAIL_KEY;
        break;
    case MAIL_AUTH_DB_POSTFIX_STYLE:
        mailAuthDB = POSTFIX_DB;
        mailAuthKey = POSTFIX_KEY;
        break;
    default:
        break;
    }
}

void mailAuthDBSetPath(const char* path) { mailAuthDB = path; }

void mailAuthKeySetPath(const char* path) { mailAuthKey = path; }

char* mailAuthDBToKeyPath(const char* dbPath) {
    // dirname() may modify its argument, so it works on a copy.
    char* copy = strdup(dbPath);
    if (!copy)
        return nullptr;
    const char* dir = dirname(copy);
    static const char suffix[] = "/passwd_db_key";
    size_t size = std::strlen(dir) + sizeof suffix;
    char* key = static_cast<char*>(std::malloc(size));
    if (key)
        std::snprintf(key, size, "%s%s", dir, suffix);
    std::free(copy);
    return key;
}
