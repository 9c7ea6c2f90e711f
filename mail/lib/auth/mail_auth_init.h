// Creating the mail-authentication database and its key file, and giving
// them the owners and modes of a mail server's style.
#ifndef QUARN_MAIL_LIB_AUTH_MAIL_AUTH_INIT_H
#define QUARN_MAIL_LIB_AUTH_MAIL_AUTH_INIT_H

#include <sys/types.h>

/// The schema script of a new database.
extern const char* const MAIL_AUTH_DB_SCHEMA;

/// Creates the directory of `dbfile` with its parents. 0 or -1.
int createDBPath(const char* dbfile);
/// A new empty database at the current path (the old one is removed). 0 or -1.
int mailAuthDBInit();
/// Selects `style`, creates database and key, and sets their access. 0 or -1.
int mailAuthDBInitStyle(int style);
/// Owner and mode of the database's directory, then of the database.
int mailAuthDBSetAccess(uid_t uid, gid_t gid, mode_t dbMode, uid_t dirUid, gid_t dirGid,
                        mode_t dirMode);
/// Owner and mode of the key file.
int mailAuthKeySetAccess(uid_t uid, gid_t gid, mode_t keyMode);

#endif
