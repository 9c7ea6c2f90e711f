// The process-wide registry of cipher contexts, each loaded once from its
// key file and named by its cipher name ("AES-256-CBC:PKCS").
#ifndef QUARN_MAIL_LIB_CIPHER_CIPHER_REGISTRY_H
#define QUARN_MAIL_LIB_CIPHER_CIPHER_REGISTRY_H

#include "mail/lib/cipher/symmetric_cipher.h"

#include <cstddef>

/// Specifications are shorter than this.
const std::size_t QUARN_CIPHER_SPEC_ROOM = 32;
/// Key files may give at most this many key bytes.
const std::size_t QUARN_CIPHER_KEY_READ_ROOM = 80;

/// Registers the context for `cipherName` from the key file, or counts one more
/// user of a registered one. 1 on success, 0 on failure (logged).
int quarn_cipher_init(const char* cipherName, const char* keyFilePath);
/// Drops one user; 0 while users remain, 1 when the context was destroyed
/// (or could not be, logged).
int quarn_cipher_cleanup(const char* cipherName);
/// The context registered under the first `n` characters of `name`; null
/// when there is none.
symmetric_cipher_t* quarn_cipher_find(const char* name, std::size_t n);

#endif
