#include "mail/lib/cipher/cipher_crypt.h"

#include "mail/lib/cipher/base64.h"
#include "mail/lib/cipher/cipher_registry.h"
#include "lib/util/malloc_string.h"

#include <openssl/rand.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

// The IV for this call: the given one, or fresh random bytes. RAND_bytes
// rather than the deprecated RAND_pseudo_bytes: an IV must be unpredictable.
bool chooseIv(symmetric_cipher_t* ctx, const char* givenIv) {
    std::size_t n = EVP_CIPHER_iv_length(ctx->cipher);
    if (givenIv) {
        quarn::SecretBytes iv(base64DecodedMax(std::strlen(givenIv)) + 1);
        std::size_t got = base64Decode(givenIv, iv.data());
        if (got < n) {
            errno = EINVAL;
            return false;
        }
        return symmetric_cipher_set_iv(ctx, iv.data(), got) == 1;
    }
    quarn::SecretBytes iv(n);
    return RAND_bytes(iv.data(), static_cast<int>(n)) == 1 &&
           symmetric_cipher_set_iv(ctx, iv.data(), n) == 1;
}

quarn::MallocString encode(const unsigned char* bytes, std::size_t n) {
    return quarn::MallocString(b64_encode(bytes, n));
}

// "$<name>$<iv>$<cipher text>" or "$<name>$<cipher text>", malloc'ed.
char* storedForm(const std::string& name, const char* iv, const char* text) {
    std::string out = "$" + name + (iv ? std::string("$") + iv : std::string()) + "$" + text;
    return strdup(out.c_str());
}

}  // namespace

char* quarn_cipher_encrypt(const char* name, const char* plain) {
    if (!name || !plain) {
        errno = EINVAL;
        return nullptr;
    }
    char cipherName[QUARN_CIPHER_SPEC_ROOM + 1];
    std::snprintf(cipherName, sizeof cipherName, "$%.31s", name);
    return quarn_cipher_crypt(plain, cipherName);
}

char* quarn_cipher_crypt(const char* plain, const char* cipherName) {
    if (!plain || !cipherName || cipherName[0] != '$') {
        errno = EINVAL;
        return nullptr;
    }
    const char* nameEnd = std::strchr(cipherName + 1, '$');
    std::string name(cipherName + 1, nameEnd ? nameEnd - cipherName - 1 : std::strlen(cipherName + 1));
    symmetric_cipher_t* ctx = quarn_cipher_find(name.data(), name.size());
    if (!ctx) {
        errno = EINVAL;
        return nullptr;
    }
    bool randomIv = ctx->flags & SYMMETRIC_CIPHER_RANDOM_IV;
    const char* givenIv = randomIv && nameEnd ? nameEnd + 1 : nullptr;
    if (!symmetric_cipher_set_plain(ctx, plain, std::strlen(plain)) ||
        (randomIv && !chooseIv(ctx, givenIv)) || !encrypt_symmetric(ctx))
        return nullptr;
    std::size_t n = 0;
    const unsigned char* bytes = symmetric_cipher_get_encrypted(ctx, &n);
    quarn::MallocString text = encode(bytes, n);
    // The plain text is not needed any more: wipe it now.
    symmetric_cipher_set_plain(ctx, "", 0);
    if (!text)
        return nullptr;
    if (!randomIv)
        return storedForm(name, nullptr, text.get());
    if (givenIv)
        return storedForm(name, givenIv, text.get());
    std::size_t ivLength = 0;
    const unsigned char* iv = symmetric_cipher_get_iv(ctx, &ivLength);
    quarn::MallocString ivText = encode(iv, ivLength);
    return ivText ? storedForm(name, ivText.get(), text.get()) : nullptr;
}
