#include "mail/lib/cipher/cipher_registry.h"

#include "lib/errors/log.h"
#include "lib/util/eintr.h"
#include "lib/util/fd_owner.h"
#include "mail/lib/cipher/base64.h"

#include <fcntl.h>
#include <unistd.h>
#include <openssl/crypto.h>
#include <openssl/rand.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

struct CipherNode {
    char cipherName[QUARN_CIPHER_SPEC_ROOM] = {};
    symmetric_cipher_t ctx;
    int refs = 0;
    std::unique_ptr<CipherNode> next;
};

std::unique_ptr<CipherNode> registryHead;
bool libraryReady = false;

// At exit no key stays in memory: every node goes, wiping its context.
void clearRegistryAtExit() {
    while (registryHead)
        registryHead = std::move(registryHead->next);
}

// The cipher tables are loaded and the exit handler set once per process.
// Current OpenSSL releases its own tables at exit.
void prepareLibrary() {
    if (libraryReady)
        return;
    OPENSSL_init_crypto(OPENSSL_INIT_ADD_ALL_CIPHERS, nullptr);
    std::atexit(clearRegistryAtExit);
    libraryReady = true;
}

CipherNode* findNode(const char* name, std::size_t n) {
    for (CipherNode* node = registryHead.get(); node; node = node->next.get())
        if (std::strlen(node->cipherName) == n && std::strncmp(node->cipherName, name, n) == 0)
            return node;
    return nullptr;
}

int flagsOf(const char* cipherName) {
    const char* colon = std::strchr(cipherName, ':');
    return colon && std::strstr(colon + 1, "PKCS")
               ? SYMMETRIC_CIPHER_RANDOM_IV
               : SYMMETRIC_CIPHER_RANDOM_IV | SYMMETRIC_CIPHER_ZERO_PADDING;
}

// Reads exactly `n` bytes of the key file into `buffer`; false, logged, otherwise.
bool readKeyFile(const char* path, unsigned char* buffer, std::size_t n) {
    quarn::process::FdOwner fd =
        quarn::process::FdOwner::adopt(quarn::process::openDescriptor(path, O_RDONLY | O_CLOEXEC));
    if (!fd) {
        int error = errno;
        quarn_log(3, "Can't read encryption key from '%s': %s (%d)", path, std::strerror(error),
                  error);
        return false;
    }
    std::size_t got = 0;
    errno = 0;
    while (got < n) {
        ssize_t r = quarn::retryOnEintr([&] { return ::read(fd.get(), buffer + got, n - got); });
        if (r <= 0)
            break;
        got += r;
    }
    if (got < n) {
        int error = errno;
        quarn_log(3, "Failed to read entire encryption key from '%s': %s (%d)", path,
                  std::strerror(error), error);
        return false;
    }
    return true;
}

// A node for `cipherName` at the front of the list, keyed from `material`.
bool addNode(const char* cipherName, const EVP_CIPHER* cipher, int flags, const unsigned char* material) {
    auto node = std::make_unique<CipherNode>();
    std::strncpy(node->cipherName, cipherName, QUARN_CIPHER_SPEC_ROOM - 1);
    std::size_t keyLength = EVP_CIPHER_key_length(cipher);
    bool ok =
        symmetric_cipher_init(&node->ctx, cipher, flags) &&
        symmetric_cipher_set_key(&node->ctx, material, keyLength) &&
        ((flags & SYMMETRIC_CIPHER_RANDOM_IV) ||
         symmetric_cipher_set_iv(&node->ctx, material + keyLength, EVP_CIPHER_iv_length(cipher)));
    if (!ok) {
        quarn_log(3, "Failed to create encryption cipher '%s'. Invalid key or IV length?", cipherName);
        if (!symmetric_cipher_cleanup(&node->ctx))
            quarn_log(6, "Failed to clean up cipher context after unsuccessfull construction");
        return false;
    }
    node->refs = 1;
    node->next = std::move(registryHead);
    registryHead = std::move(node);
    return true;
}

// The steps of a first registration; false when one failed (logged).
bool registerCipher(const char* cipherName, const char* keyFilePath) {
    int flags = flagsOf(cipherName);
    if (std::strlen(cipherName) >= QUARN_CIPHER_SPEC_ROOM) {
        quarn_log(3, "Unknown encryption cipher: '%s'", cipherName);
        return false;
    }
    prepareLibrary();
    std::string name(cipherName, std::strcspn(cipherName, ":"));
    const EVP_CIPHER* cipher = EVP_get_cipherbyname(name.c_str());
    if (!cipher) {
        quarn_log(3, "Unknown encryption cipher: '%s'", cipherName);
        return false;
    }
    std::size_t need = EVP_CIPHER_key_length(cipher);
    if (!(flags & SYMMETRIC_CIPHER_RANDOM_IV))
        need += EVP_CIPHER_iv_length(cipher);
    if (static_cast<std::size_t>(EVP_CIPHER_key_length(cipher)) > QUARN_CIPHER_KEY_READ_ROOM ||
        need > QUARN_CIPHER_KEY_READ_ROOM) {
        quarn_log(2, "Not enough space supplied to read encryption key data from '%s'",
                  keyFilePath);
        return false;
    }
    std::array<unsigned char, QUARN_CIPHER_KEY_READ_ROOM> material{};
    bool ok = readKeyFile(keyFilePath, material.data(), need) &&
              addNode(cipherName, cipher, flags, material.data());
    OPENSSL_cleanse(material.data(), material.size());
    return ok;
}

}  // namespace

int quarn_cipher_init(const char* cipherName, const char* keyFilePath) {
    if (!cipherName || !keyFilePath) {
        errno = EINVAL;
        return 0;
    }
    if (CipherNode* node = findNode(cipherName, std::strlen(cipherName))) {
        ++node->refs;
        return 1;
    }
    if (registerCipher(cipherName, keyFilePath))
        return 1;
    quarn_log(3, "Failed to initialize encryption cipher '%s' with key '%s'", cipherName, keyFilePath);
    return 0;
}

int quarn_cipher_cleanup(const char* cipherName) {
    std::unique_ptr<CipherNode>* link = &registryHead;
    while (*link && std::strcmp((*link)->cipherName, cipherName ? cipherName : "") != 0)
        link = &(*link)->next;
    if (!*link) {
        quarn_log(6, "Failed to correctly destroy encryption cipher '%s'. A programming error?",
                  cipherName ? cipherName : "");
        return 1;
    }
    if (--(*link)->refs > 0)
        return 0;
    std::unique_ptr<CipherNode> gone = std::move(*link);
    *link = std::move(gone->next);
    if (!symmetric_cipher_cleanup(&gone->ctx))
        quarn_log(6, "Failed to correctly destroy encryption cipher '%s'. A programming error?",
                  gone->cipherName);
    return 1;
}

symmetric_cipher_t* quarn_cipher_find(const char* name, std::size_t n) {
    CipherNode* node = findNode(name, n);
    return node ? &node->ctx : nullptr;
}
