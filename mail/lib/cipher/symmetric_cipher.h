// One symmetric cipher with its key and IV, and the plain and cipher texts
// of its last operation. Every byte of them is wiped when it is released.
#ifndef QUARN_MAIL_LIB_CIPHER_SYMMETRIC_CIPHER_H
#define QUARN_MAIL_LIB_CIPHER_SYMMETRIC_CIPHER_H

#include "mail/lib/cipher/secret_buffer.h"

#include <openssl/evp.h>

#include <cstddef>
#include <memory>

/// Flags bit 0: a fresh random IV for every enciphering, kept in the output.
const int SYMMETRIC_CIPHER_RANDOM_IV = 1;
/// Flags bit 2: no cipher padding; the plain text is padded with zeros.
const int SYMMETRIC_CIPHER_ZERO_PADDING = 4;
/// The longest text the context takes.
const std::size_t SYMMETRIC_CIPHER_MAX_DATA = 2147483646;
const std::size_t SYMMETRIC_CIPHER_KEY_ROOM = 64;
const std::size_t SYMMETRIC_CIPHER_IV_ROOM = 16;

struct EvpCipherCtxFree {
    void operator()(EVP_CIPHER_CTX* ctx) const noexcept { EVP_CIPHER_CTX_free(ctx); }
};
using EvpCipherCtx = std::unique_ptr<EVP_CIPHER_CTX, EvpCipherCtxFree>;

struct symmetric_cipher_t {
    const EVP_CIPHER* cipher = nullptr;
    int flags = 0;
    quarn::SecretBytes key;
    quarn::SecretBytes iv;
    quarn::SecretBytes plain;      // NUL-terminated; the NUL is not counted
    quarn::SecretBytes encrypted;  // NUL-terminated; the NUL is not counted
    // Set up on first use, afterwards only given a new IV.
    EvpCipherCtx encryptCtx;
    EvpCipherCtx decryptCtx;
};

/// Chooses the cipher (AES-256-CBC when null) and flags; 1, or 0 on failure.
int symmetric_cipher_init(symmetric_cipher_t* ctx, const EVP_CIPHER* cipher, int flags);
/// The key: exactly the cipher's key length. 1 or 0.
int symmetric_cipher_set_key(symmetric_cipher_t* ctx, const unsigned char* key, std::size_t n);
/// The IV: at least the cipher's IV length; bytes beyond it are ignored. 1 or 0.
int symmetric_cipher_set_iv(symmetric_cipher_t* ctx, const unsigned char* iv, std::size_t n);
/// Copies the text to encipher next. 1, or 0 with EINVAL when too long.
int symmetric_cipher_set_plain(symmetric_cipher_t* ctx, const char* text, std::size_t n);
/// Copies the bytes to decipher next. 1, or 0 with EINVAL when too long.
int symmetric_cipher_set_encrypted(symmetric_cipher_t* ctx, const unsigned char* bytes,
                                   std::size_t n);
const char* symmetric_cipher_get_plain(const symmetric_cipher_t* ctx, std::size_t* n);
const unsigned char* symmetric_cipher_get_encrypted(const symmetric_cipher_t* ctx, std::size_t* n);
const unsigned char* symmetric_cipher_get_iv(const symmetric_cipher_t* ctx, std::size_t* n);
/// Wipes and releases everything; 1.
int symmetric_cipher_cleanup(symmetric_cipher_t* ctx);

/// Enciphers the plain text under the key and IV into the cipher text. 1 or 0.
int encrypt_symmetric(symmetric_cipher_t* ctx);
/// Deciphers the cipher text into the plain text; the padding check of the
/// cipher library decides. 1 or 0.
int decrypt_symmetric(symmetric_cipher_t* ctx);

#endif
