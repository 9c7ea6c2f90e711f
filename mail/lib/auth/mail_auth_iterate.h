// Walking the users of the mail-authentication database with a visitor that
// gets each address with its deciphered password.
#ifndef QUARN_MAIL_LIB_AUTH_MAIL_AUTH_ITERATE_H
#define QUARN_MAIL_LIB_AUTH_MAIL_AUTH_ITERATE_H

#include "lib/util/sqlite_handle.h"
#include "mail/lib/auth/mail_auth_types.h"

/// The user of `mailAddress` through the visitor: its result, 1 when there
/// is no such user, -1 on failure.
int mailAuthCheck(const char* mailAddress, MailAuthVisitor checkerFunc, void* data);
/// Every user with the mailname `mailname`, in any domain.
int mailAuthCheckShort(const char* mailname, MailAuthVisitor checkerFunc, void* data);
/// Every user, ordered by domain and mailname.
int mailAuthIterateAll(MailAuthVisitor checkerFunc, void* data);

/// Hands one user to the visitor: the deciphered password with flags 0, or
/// the crypted one with MAIL_AUTH_CRYPTED, plus the disabled bits.
int checkPassword(const char* mailAddress, const char* password, const char* encPassword,
                  int userStatus, int domainStatus, MailAuthVisitor checkerFunc, void* data);
/// Opens the database read-only and prepares the user selection with
/// `predicate` appended. 0 or -1.
int prepareIterateDBQuery(quarn::SqliteHandle* pdb, quarn::SqliteStatement* pPStmt,
                          const char* predicate);
/// Steps the prepared selection through the visitor.
int doIterateDB(sqlite3_stmt* stmt, MailAuthVisitor checkerFunc, void* data);

#endif
