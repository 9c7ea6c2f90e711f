#include "mail/lib/cipher/symmetric_cipher.h"

#include "lib/errors/log.h"

#include <cerrno>
#include <climits>
#include <initializer_list>

namespace {

// Copies `n` bytes and a NUL into `into`, refusing more than the context takes.
int storeText(quarn::SecretBytes& into, const void* bytes, std::size_t n, const char* what) {
    if (n > SYMMETRIC_CIPHER_MAX_DATA) {
        quarn_log(4,
                  "Attempt to feed into symmetric cipher more %s data (%zu bytes) than it's "
                  "designed to handle.",
                  what, n);
        errno = EINVAL;
        return 0;
    }
    // A fresh buffer, swapped in: the old one is wiped as it is freed,
    // whatever its capacity held.
    const auto* first = static_cast<const unsigned char*>(bytes);
    quarn::SecretBytes fresh;
    fresh.reserve(n + 1);
    fresh.assign(first, first + n);
    fresh.push_back('\0');
    into.swap(fresh);
    return 1;
}

std::size_t textLength(const quarn::SecretBytes& text) {
    return text.empty() ? 0 : text.size() - 1;
}

// Sets the context up on first use; afterwards gives it only the new IV.
bool prepareContext(symmetric_cipher_t* ctx, EvpCipherCtx& evp, int encrypting) {
    if (evp)
        return EVP_CipherInit_ex(evp.get(), nullptr, nullptr, nullptr, ctx->iv.data(),
                                 encrypting) == 1;
    evp.reset(EVP_CIPHER_CTX_new());
    if (!evp || EVP_CipherInit_ex(evp.get(), ctx->cipher, nullptr, ctx->key.data(), ctx->iv.data(),
                                  encrypting) != 1) {
        evp.reset();
        return false;
    }
    if (ctx->flags & SYMMETRIC_CIPHER_ZERO_PADDING)
        EVP_CIPHER_CTX_set_padding(evp.get(), 0);
    return true;
}

// Runs the prepared context over `in` into `out`, NUL-terminated.
bool runCipher(EVP_CIPHER_CTX* evp, const quarn::SecretBytes& in, std::size_t n,
               quarn::SecretBytes& out, int blockSize) {
    if (n > static_cast<std::size_t>(INT_MAX - 2 * blockSize))
        return false;
    quarn::SecretBytes result(n + 2 * blockSize + 1, 0);
    int written = 0, last = 0;
    if (EVP_CipherUpdate(evp, result.data(), &written, in.data(), static_cast<int>(n)) != 1 ||
        EVP_CipherFinal_ex(evp, result.data() + written, &last) != 1) {
        quarn::SecretBytes().swap(out);
        return false;
    }
    // The text ends at its NUL; the spare room stays zero and is wiped
    // with the buffer.
    result[written + last] = '\0';
    result.resize(written + last + 1);
    out.swap(result);
    return true;
}

}  // namespace

int symmetric_cipher_init(symmetric_cipher_t* ctx, const EVP_CIPHER* cipher, int flags) {
    symmetric_cipher_cleanup(ctx);
    ctx->cipher = cipher ? cipher : EVP_aes_256_cbc();
    ctx->flags = flags;
    if (static_cast<std::size_t>(EVP_CIPHER_key_length(ctx->cipher)) > SYMMETRIC_CIPHER_KEY_ROOM ||
        static_cast<std::size_t>(EVP_CIPHER_iv_length(ctx->cipher)) > SYMMETRIC_CIPHER_IV_ROOM)
        return 0;
    ctx->iv.assign(EVP_CIPHER_iv_length(ctx->cipher), 0);
    return 1;
}

int symmetric_cipher_set_key(symmetric_cipher_t* ctx, const unsigned char* key, std::size_t n) {
    if (!ctx->cipher || n != static_cast<std::size_t>(EVP_CIPHER_key_length(ctx->cipher)))
        return 0;
    ctx->key.assign(key, key + n);
    // A new key needs contexts set up afresh.
    ctx->encryptCtx.reset();
    ctx->decryptCtx.reset();
    return 1;
}

int symmetric_cipher_set_iv(symmetric_cipher_t* ctx, const unsigned char* iv, std::size_t n) {
    if (!ctx->cipher || n < static_cast<std::size_t>(EVP_CIPHER_iv_length(ctx->cipher)))
        return 0;
    ctx->iv.assign(iv, iv + EVP_CIPHER_iv_length(ctx->cipher));
    return 1;
}

int symmetric_cipher_set_plain(symmetric_cipher_t* ctx, const char* text, std::size_t n) {
    return storeText(ctx->plain, text, n, "plain");
}

int symmetric_cipher_set_encrypted(symmetric_cipher_t* ctx, const unsigned char* bytes,
                                   std::size_t n) {
    return storeText(ctx->encrypted, bytes, n, "encrypted");
}

const char* symmetric_cipher_get_plain(const symmetric_cipher_t* ctx, std::size_t* n) {
    if (n)
        *n = textLength(ctx->plain);
    return ctx->plain.empty() ? "" : reinterpret_cast<const char*>(ctx->plain.data());
}

const unsigned char* symmetric_cipher_get_encrypted(const symmetric_cipher_t* ctx, std::size_t* n) {
    if (n)
        *n = textLength(ctx->encrypted);
    return ctx->encrypted.data();
}

const unsigned char* symmetric_cipher_get_iv(const symmetric_cipher_t* ctx, std::size_t* n) {
    if (n)
        *n = ctx->iv.size();
    return ctx->iv.data();
}

int symmetric_cipher_cleanup(symmetric_cipher_t* ctx) {
    // EVP_CIPHER_CTX_free wipes the expanded key it holds.
    ctx->encryptCtx.reset();
    ctx->decryptCtx.reset();
    for (quarn::SecretBytes* bytes : {&ctx->key, &ctx->iv, &ctx->plain, &ctx->encrypted})
        quarn::SecretBytes().swap(*bytes);
    ctx->cipher = nullptr;
    ctx->flags = 0;
    return 1;
}

int encrypt_symmetric(symmetric_cipher_t* ctx) {
    if (!ctx->cipher || ctx->key.empty() || !prepareContext(ctx, ctx->encryptCtx, 1))
        return 0;
    int block = EVP_CIPHER_block_size(ctx->cipher);
    std::size_t n = textLength(ctx->plain);
    quarn::SecretBytes input(ctx->plain.begin(), ctx->plain.begin() + n);
    if (ctx->flags & SYMMETRIC_CIPHER_ZERO_PADDING) {
        // Whole blocks of zeros; an empty text still gives one block.
        std::size_t whole = n == 0 ? block : (n + block - 1) / block * block;
        input.resize(whole, 0);
    }
    return runCipher(ctx->encryptCtx.get(), input, input.size(), ctx->encrypted, block) ? 1 : 0;
}

int decrypt_symmetric(symmetric_cipher_t* ctx) {
    if (!ctx->cipher || ctx->key.empty() || !prepareContext(ctx, ctx->decryptCtx, 0))
        return 0;
    int block = EVP_CIPHER_block_size(ctx->cipher);
    return runCipher(ctx->decryptCtx.get(), ctx->encrypted, textLength(ctx->encrypted), ctx->plain,
                     block)
               ? 1
               : 0;
}
