// Where the mail-authentication database and its key file live: one layout
// per mail server the panel supports.
#ifndef QUARN_MAIL_LIB_AUTH_MAIL_AUTH_LOCATION_H
#define QUARN_MAIL_LIB_AUTH_MAIL_AUTH_LOCATION_H

enum MailAuthDBStyle {
    MAIL_AUTH_DB_QMAIL_STYLE = 0,
    MAIL_AUTH_DB_POSTFIX_STYLE = 1,
};

/// The current database and key file. The strings belong to whoever set
/// them; setting a path does not copy it.
extern const char* mailAuthDB;
extern const char* mailAuthKey;

/// Selects both paths of a layout; an unknown style changes nothing.
void mailAuthDBSelectStyle(int style);
void mailAuthDBSetPath(const char* path);
void mailAuthKeySetPath(const char* path);

/// The key file beside `dbPath`, malloc'ed; null when memory runs out.
char* mailAuthDBToKeyPath(const char* dbPath);

#endif
