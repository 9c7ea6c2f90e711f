// The password cipher against the openssl command-line tool, an independent
// implementation of AES-256-CBC, in both directions; its failures and the
// key file it creates.
#include "lib/runner/exec_cmd.h"
#include "mail/lib/cipher/base64.h"
#include "mail/lib/cipher/cipher_crypt.h"
#include "mail/lib/cipher/cipher_registry.h"
#include "mail/lib/cipher/mail_aes.h"
#include "mail/lib/auth/mail_auth_location.h"
#include "mail/lib/auth/mail_passwd_cipher.h"
#include "mail/lib/cipher/secret_buffer.h"

#include "tests/support/file_text.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_dir.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <functional>
#include <string>

#include <boost/algorithm/hex.hpp>
#include <gtest/gtest.h>

namespace {

using testsupport::LogCapture;
using testsupport::TempDir;

std::string unbase64(const std::string& text) {
    std::size_t n = 0;
    quarn::MallocString bytes(reinterpret_cast<char*>(b64_decode(text.c_str(), &n)));
    return std::string(bytes.get(), n);
}

std::string base64(const std::string& bytes) {
    quarn::MallocString text(
        b64_encode(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()));
    return text.get();
}

// `openssl enc` over `input` with the key and IV; its output.
std::string opensslEnc(bool decrypt, const std::string& key, const std::string& iv,
                       const std::string& input) {
    quarn::ExecCmd cmd("/usr/bin/openssl");
    cmd << "enc" << (decrypt ? "-d" : "-e") << "-aes-256-cbc"
        << "-K" << boost::algorithm::hex_lower(key) << "-iv" << boost::algorithm::hex_lower(iv);
    cmd.setInput(input);
    cmd.exec();
    return cmd.getOutput();
}

// A key file with a fresh key, made current, for one test.
class CipherTest : public ::testing::Test {
protected:
    void SetUp() override {
        keyPath_ = dir_.file("passwd_db_key");
        mailAuthKeySetPath(keyPath_.c_str());
        ASSERT_EQ(mailAuthKeyInit(), 0);
        key_ = testsupport::readFile(keyPath_);
        ASSERT_EQ(key_.size(), 32u);
    }
    void TearDown() override { mailAuthDBSelectStyle(MAIL_AUTH_DB_QMAIL_STYLE); }

    std::string encrypt(const std::string& plain) {
        quarn::MallocString text(
            mailPasswdCipherOp(plain.c_str(), MAIL_PASSWD_ENCRYPT, "user", "example.com"));
        return text ? text.get() : "(null)";
    }
    std::string decrypt(const std::string& text) {
        quarn::SecretCString plain(
            mailPasswdCipherOp(text.c_str(), MAIL_PASSWD_DECRYPT, "user", "example.com"));
        return plain ? plain.get() : "(null)";
    }

    TempDir dir_;
    std::string keyPath_;
    std::string key_;
};

const std::string PASSWORDS[] = {"", "short", "fifteen-bytes!!", "sixteen-bytes!!!",
                                 "seventeen-bytes!!", std::string(1000, 'x') + "end",
                                 "пароль-€-密码"};

const std::string PREFIX = "$AES-256-CBC:PKCS$";

// Both directions against openssl; with an IV given, our text and openssl's
// are the same.
TEST_F(CipherTest, AgreesWithOpenssl) {
    const std::string givenIv = "0123456789abcdef";
    for (const std::string& password : PASSWORDS) {
        SCOPED_TRACE("password '" + password + "'");
        std::string text = encrypt(password);
        ASSERT_TRUE(is_encrypted_with_mail_aes(text.c_str())) << text;
        // "$AES-256-CBC:PKCS$" <24 characters of IV> "$" <cipher text>
        std::string iv = unbase64(text.substr(18, 24));
        ASSERT_EQ(text[42], '$') << text;
        std::string cipherText = unbase64(text.substr(43));
        EXPECT_EQ(iv.size(), 16u);
        // openssl checks the padding, and with it the length.
        EXPECT_EQ(opensslEnc(true, key_, iv, cipherText), password);
        EXPECT_NE(encrypt(password), text) << "each text needs an IV of its own";
        std::string head = PREFIX + base64(givenIv);
        std::string theirs = head + "$" + base64(opensslEnc(false, key_, givenIv, password));
        EXPECT_EQ(decrypt(theirs), password) << theirs;
        ASSERT_EQ(mail_aes_init(keyPath_.c_str()), 1);
        quarn::MallocString ours(quarn_cipher_crypt(password.c_str(), head.c_str()));
        mail_aes_cleanup();
        EXPECT_EQ(ours ? ours.get() : "(null)", theirs) << "the given IV is used and written back";
    }
}

TEST_F(CipherTest, FailuresAndTheirMessages) {
    std::string good = encrypt("secret");
    // A flipped high bit in the IV's last byte turns the padding byte of
    // "secret" (10) into 138, which no padding check accepts.
    std::string iv = unbase64(good.substr(18, 24));
    iv[15] ^= '\x80';
    std::string corrupted = PREFIX + base64(iv) + good.substr(42);
    struct Case {
        const char* name;
        std::string text;
    };
    const Case cases[] = {
        {"corrupted cipher text", corrupted},
        {"plain password", "secret"},
        {"short IV", PREFIX + "AAAA$" + good.substr(43)},
    };
    for (const Case& c : cases) {
        LogCapture log;
        EXPECT_EQ(decrypt(c.text), "(null)") << c.name;
        EXPECT_EQ(log.text(), "Failed to decrypt password for mail address 'user@example.com'|")
            << c.name;
    }
    errno = 0;
    EXPECT_EQ(mail_aes_decrypt("secret"), nullptr);
    EXPECT_EQ(errno, EINVAL);
}

TEST_F(CipherTest, ShortOrMissingKeyFileFails) {
    struct Case {
        const char* name;
        const char* content;  // null: no file
        std::string wantLog;
    };
    std::string path = dir_.file("bad_key");
    const Case cases[] = {
        {"short key", "only-31-bytes-of-key-material!!",
         "Failed to read entire encryption key from '" + path + "': Success (0)|"},
        {"no key file", nullptr,
         "Can't read encryption key from '" + path + "': No such file or directory (2)|"},
    };
    for (const Case& c : cases) {
        std::remove(path.c_str());
        if (c.content)
            dir_.write("bad_key", c.content);
        mailAuthKeySetPath(path.c_str());
        LogCapture log;
        EXPECT_EQ(encrypt("secret"), "(null)") << c.name;
        EXPECT_EQ(log.text(), c.wantLog + "Failed to initialize encryption cipher "
                                          "'AES-256-CBC:PKCS' with key '" + path + "'|Failed to "
                                          "initialize password cipher context (for mail address "
                                          "'user@example.com')|")
            << c.name;
    }
}

TEST_F(CipherTest, KeyFileIsPrivateAndReplaced) {
    struct stat st;
    ASSERT_EQ(stat(keyPath_.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    std::string old = encrypt("secret");
    ASSERT_EQ(mailAuthKeyInit(), 0);
    EXPECT_NE(testsupport::readFile(keyPath_), key_);
    EXPECT_EQ(decrypt(old), "(null)") << "a new key must not decipher the old texts";
}

TEST_F(CipherTest, OuterInitReadsTheKeyOnce) {
    ASSERT_EQ(mailPasswdCipherInit(), 0);
    std::string text = encrypt("secret");
    // With the context held, the key file is no longer needed.
    std::remove(keyPath_.c_str());
    EXPECT_EQ(decrypt(text), "secret");
    mailPasswdCipherCleanup();
    EXPECT_EQ(decrypt(text), "(null)");
}

TEST_F(CipherTest, RegistryCountsItsUsers) {
    struct Case {
        const char* name;
        std::function<int()> op;
        int want;
        std::string wantLog;
    };
    const std::string aes = "AES-256-CBC:PKCS", none = "NO-SUCH-CIPHER:PKCS";
    const std::string tail = aes + "-and-a-very-long-tail";
    auto init = [this](const std::string& name) {
        return [this, name] { return quarn_cipher_init(name.c_str(), keyPath_.c_str()); };
    };
    auto cleanup = [] { return quarn_cipher_cleanup("AES-256-CBC:PKCS"); };
    auto unknown = [this](const std::string& name) {
        return "Unknown encryption cipher: '" + name + "'|Failed to initialize encryption " +
               "cipher '" + name + "' with key '" + keyPath_ + "'|";
    };
    const Case cases[] = {
        {"first user", init(aes), 1, ""},
        {"second user", init(aes), 1, ""},
        {"one goes", cleanup, 0, ""},
        {"the last goes", cleanup, 1, ""},
        {"unknown node", cleanup, 1,
         "Failed to correctly destroy encryption cipher 'AES-256-CBC:PKCS'. A programming error?|"},
        {"unknown cipher", init(none), 0, unknown(none)},
        {"too long a cipher name", init(tail), 0, unknown(tail)},
    };
    for (const Case& c : cases) {
        LogCapture log;
        EXPECT_EQ(c.op(), c.want) << c.name;
        EXPECT_EQ(log.text(), c.wantLog) << c.name;
    }
    errno = 0;
    EXPECT_EQ(mail_aes_encrypt("secret"), nullptr) << "no context is registered";
}

TEST_F(CipherTest, NoPasswordInTheLog) {
    const std::string password = "Tr0ub4dor&3-unique";
    LogCapture log;
    std::string text = encrypt(password);
    EXPECT_EQ(decrypt(text), password);
    decrypt(text.substr(0, text.size() - 4));
    mailAuthKeySetPath(dir_.file("missing").c_str());
    encrypt(password);
    EXPECT_NE(log.text(), "");
    EXPECT_EQ(log.text().find(password), std::string::npos) << log.text();
}

}  // namespace
