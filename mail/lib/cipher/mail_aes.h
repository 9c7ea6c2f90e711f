// The mailbox password cipher: AES-256-CBC with PKCS padding and a fresh
// IV per password, stored as "$AES-256-CBC:PKCS$<IV>$<cipher text>".
#ifndef QUARN_MAIL_LIB_CIPHER_MAIL_AES_H
#define QUARN_MAIL_LIB_CIPHER_MAIL_AES_H

#include <cstddef>

/// The cipher name of the password cipher.
extern const char* const MAIL_AES_SPEC;
/// Bytes of a password key.
const std::size_t MAIL_AES_KEY_LENGTH = 32;

/// quarn_cipher_init of the password cipher: 1 or 0.
int mail_aes_init(const char* keyFilePath);
/// quarn_cipher_cleanup of the password cipher.
int mail_aes_cleanup();
/// The stored form of `plain`, malloc'ed; null on failure.
char* mail_aes_encrypt(const char* plain);
/// The plain text of a stored form, malloc'ed (wipe it before freeing);
/// null on failure, with EINVAL for a text not in the stored form.
char* mail_aes_decrypt(const char* text);
/// Whether `text` starts with "$AES-256-CBC:PKCS$".
bool is_encrypted_with_mail_aes(const char* text);
/// Fills `buffer` with 32 random bytes and returns 32; 0 (EINVAL when
/// `size` is below 32) on failure.
int mail_aes_gen_key(unsigned char* buffer, std::size_t size);

#endif
