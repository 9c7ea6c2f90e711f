// The password cipher as the mail-authentication database uses it: keyed
// from the current key file, and the creation of a new key file.
#ifndef QUARN_MAIL_LIB_CIPHER_MAIL_PASSWD_CIPHER_H
#define QUARN_MAIL_LIB_CIPHER_MAIL_PASSWD_CIPHER_H

#include "mail/lib/auth/mail_auth_types.h"

/// Keeps the cipher loaded from the current key file until the matching
/// cleanup, so that several operations read the key once. 0, or -1 logged.
int mailPasswdCipherInit();
void mailPasswdCipherCleanup();

/// Enciphers (MAIL_PASSWD_ENCRYPT) or deciphers (MAIL_PASSWD_DECRYPT)
/// `text` for mailname@domain (the address only names it in messages); a
/// malloc'ed result (wipe a deciphered one before freeing), null on failure.
char* mailPasswdCipherOp(const char* text, int op, const char* mailname, const char* domain);

/// Replaces the current key file with 32 new random bytes, mode 0600. 0 or -1.
int mailAuthKeyInit();

#endif
