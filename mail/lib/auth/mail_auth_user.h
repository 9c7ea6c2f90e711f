// User rows of the mail-authentication database: passwords, lookups,
// clones, renames and removals.
#ifndef QUARN_MAIL_LIB_AUTH_MAIL_AUTH_USER_H
#define QUARN_MAIL_LIB_AUTH_MAIL_AUTH_USER_H

#include "mail/lib/auth/mail_auth_types.h"

/// Stores `password` as given (crypted column with MAIL_AUTH_CRYPTED, else
/// the enciphered column), creating the domain row when needed.
int mailAuthSetRaw(const char* mailName, const char* mailDomain, const char* password, int flags);
/// mailAuthSetRaw after enciphering a plain password.
int mailAuthSet(const char* mailName, const char* mailDomain, const char* password, int flags);
/// mailAuthSet for a non-empty password, mailAuthRemove otherwise.
int set_postbox_passwd(const char* mailName, const char* mailDomain, const char* password,
                       int flags);
/// Fills `data` with the user's stored password and flags; 0 with the
/// name unset when the domain or user does not exist.
int get_user_data(passwd_type_t* data, const char* name, const char* domain);
/// Copies the stored password and flags of one user to another, as stored.
int mailAuthClone(const char* oldName, const char* oldDomain, const char* newName,
                  const char* newDomain);
int mailAuthRemove(const char* mailName, const char* mailDomain);
int mailAuthRename(const char* oldMailName, const char* newMailName, const char* mailDomain);

#endif
