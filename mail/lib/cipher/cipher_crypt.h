// Enciphering texts with a registered context into the stored form
// "$<cipherName>$<base64 IV>$<base64 cipher text>".
#ifndef QUARN_MAIL_LIB_CIPHER_CIPHER_CRYPT_H
#define QUARN_MAIL_LIB_CIPHER_CIPHER_CRYPT_H

/// quarn_cipher_crypt with "$" + name as the cipher argument.
char* quarn_cipher_encrypt(const char* name, const char* plain);
/// The enciphered text of `plain`, malloc'ed; null on failure (EINVAL for
/// a missing argument). `cipherName` is "$<name>" or "$<name>$<base64 IV>"; the
/// given IV is used only by contexts that draw a fresh IV each time.
char* quarn_cipher_crypt(const char* plain, const char* cipherName);

#endif
