#include "mail/lib/cipher/mail_aes.h"

#include "mail/lib/cipher/base64.h"
#include "mail/lib/cipher/cipher_crypt.h"
#include "mail/lib/cipher/cipher_registry.h"

#include <openssl/rand.h>

#include <cerrno>
#include <cstring>
#include <string>

const char* const MAIL_AES_SPEC = "AES-256-CBC:PKCS";

namespace {

const char PREFIX[] = "$AES-256-CBC:PKCS$";

// Decodes `text` into the context as its IV; refuses one that is too short.
bool setIvText(symmetric_cipher_t* ctx, const std::string& text) {
    quarn::SecretBytes iv(base64DecodedMax(text.size()) + 1);
    std::size_t n = base64ArrayDecode(text.data(), text.size(), iv.data());
    if (n < static_cast<std::size_t>(EVP_CIPHER_iv_length(ctx->cipher))) {
        errno = EINVAL;
        return false;
    }
    return symmetric_cipher_set_iv(ctx, iv.data(), n) == 1;
}

}  // namespace

int mail_aes_init(const char* keyFilePath) { return quarn_cipher_init(MAIL_AES_SPEC, keyFilePath); }

int mail_aes_cleanup() { return quarn_cipher_cleanup(MAIL_AES_SPEC); }

char* mail_aes_encrypt(const char* plain) { return quarn_cipher_encrypt(MAIL_AES_SPEC, plain); }

bool is_encrypted_with_mail_aes(const char* text) {
    return text && std::strncmp(text, PREFIX, sizeof PREFIX - 1) == 0;
}

char* mail_aes_decrypt(const char* text) {
    if (!is_encrypted_with_mail_aes(text)) {
        errno = EINVAL;
        return nullptr;
    }
    // "$<name>$<IV>$<cipher text>": the IV runs to the last "$".
    std::string stored(text);
    std::size_t second = stored.find('$', 1);
    std::size_t last = stored.rfind('$');
    std::string name = stored.substr(1, second - 1);
    std::string ivText = stored.substr(second + 1, last > second ? last - second - 1 : 0);
    symmetric_cipher_t* ctx = quarn_cipher_find(name.data(), name.size());
    if (!ctx)
        return nullptr;
    if ((ctx->flags & SYMMETRIC_CIPHER_RANDOM_IV) && !ivText.empty() && !setIvText(ctx, ivText))
        return nullptr;
    const char* cipherText = stored.c_str() + last + 1;
    quarn::SecretBytes bytes(base64DecodedMax(std::strlen(cipherText)) + 1);
    std::size_t n = base64Decode(cipherText, bytes.data());
    if (!symmetric_cipher_set_encrypted(ctx, bytes.data(), n) || !decrypt_symmetric(ctx))
        return nullptr;
    std::size_t plainLength = 0;
    const char* plain = symmetric_cipher_get_plain(ctx, &plainLength);
    char* copy = quarn::mallocCopy(plain, plainLength);
    // Only the caller's copy keeps the password.
    symmetric_cipher_set_plain(ctx, "", 0);
    return copy;
}

int mail_aes_gen_key(unsigned char* buffer, std::size_t size) {
    if (!buffer || size < MAIL_AES_KEY_LENGTH) {
        errno = EINVAL;
        return 0;
    }
    // RAND_bytes, not the deprecated RAND_pseudo_bytes: a key must be
    // unpredictable, and RAND_bytes fails rather than give weak bytes.
    return RAND_bytes(buffer, MAIL_AES_KEY_LENGTH) == 1 ? MAIL_AES_KEY_LENGTH : 0;
}
