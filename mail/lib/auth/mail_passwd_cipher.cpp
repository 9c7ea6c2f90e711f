#include "mail/lib/auth/mail_passwd_cipher.h"

#include "lib/errors/log.h"
#include "lib/util/eintr.h"
#include "lib/util/fd_owner.h"
#include "lib/util/umask_guard.h"
#include "mail/lib/cipher/mail_aes.h"
#include "mail/lib/auth/mail_auth_location.h"

#include <fcntl.h>
#include <unistd.h>
#include <openssl/crypto.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// Writes all of `bytes`; false with errno on failure.
bool writeAll(int fd, const unsigned char* bytes, std::size_t n) {
    while (n > 0) {
        ssize_t w = quarn::retryOnEintr([&] { return ::write(fd, bytes, n); });
        if (w <= 0)
            return false;
        bytes += w;
        n -= w;
    }
    return true;
}

// Puts the key into a new file beside `path` and renames it over the old
// key, so readers see either the old key or the whole new one. The umask
// keeps the file 0600 from the moment it exists.
bool replaceKeyFile(const char* path, const unsigned char* key, std::size_t n) {
    quarn::UmaskGuard mask(077);
    std::string temp = std::string(path) + ".XXXXXX";
    quarn::process::FdOwner fd = quarn::process::FdOwner::adopt(mkostemp(&temp[0], O_CLOEXEC));
    if (!fd)
        return false;
    bool ok = writeAll(fd.get(), key, n) && ::fsync(fd.get()) == 0 && fd.tryClose() == 0 &&
              ::rename(temp.c_str(), path) == 0;
    if (!ok) {
        int error = errno;
        ::unlink(temp.c_str());
        errno = error;
    }
    return ok;
}

}  // namespace

int mailPasswdCipherInit() {
    if (mail_aes_init(mailAuthKey))
        return 0;
    quarn_log(3, "Failed to initialize password cipher context");
    return -1;
}

void mailPasswdCipherCleanup() { mail_aes_cleanup(); }

char* mailPasswdCipherOp(const char* text, int op, const char* mailname, const char* domain) {
    const char* at = domain ? "@" : "";
    const char* dom = domain ? domain : "";
    const char* name = mailname ? mailname : "";
    if (!mail_aes_init(mailAuthKey)) {
        quarn_log(3, "Failed to initialize password cipher context (for mail address '%s%s%s')",
                  name, at, dom);
        return nullptr;
    }
    char* result = op == MAIL_PASSWD_DECRYPT ? mail_aes_decrypt(text) : mail_aes_encrypt(text);
    if (!result)
        quarn_log(3, "Failed to %s password for mail address '%s%s%s'",
                  op == MAIL_PASSWD_DECRYPT ? "decrypt" : "encrypt", name, at, dom);
    mail_aes_cleanup();
    return result;
}

int mailAuthKeyInit() {
    std::array<unsigned char, MAIL_AES_KEY_LENGTH> key{};
    if (mail_aes_gen_key(key.data(), key.size()) != static_cast<int>(MAIL_AES_KEY_LENGTH)) {
        quarn_log(2, "Unable to generate new Mail Authentication Password Encryption Key data: %s",
                  std::strerror(errno));
        return -1;
    }
    bool ok = replaceKeyFile(mailAuthKey, key.data(), key.size());
    int error = errno;
    OPENSSL_cleanse(key.data(), key.size());
    if (!ok) {
        quarn_log(3, "Unable to re-create Mail Authentication Password Encryption Key: %s",
                  std::strerror(error));
        return -1;
    }
    return 0;
}
