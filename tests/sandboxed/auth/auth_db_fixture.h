// A fresh mail-authentication database and key file in a scratch directory,
// made current for one test, with the rows read back by the sqlite3 tool.
#ifndef TESTS_SANDBOXED_AUTH_AUTH_DB_FIXTURE_H
#define TESTS_SANDBOXED_AUTH_AUTH_DB_FIXTURE_H

#include "mail/lib/auth/mail_auth_init.h"
#include "mail/lib/auth/mail_auth_location.h"
#include "mail/lib/auth/mail_passwd_cipher.h"
#include "mail/lib/cipher/secret_buffer.h"

#include "tests/support/sqlite_rows.h"
#include "tests/support/temp_dir.h"

#include <sstream>
#include <string>

#include <gtest/gtest.h>

namespace testsupport {

class AuthDbTest : public ::testing::Test {
protected:
    void SetUp() override {
        dbPath_ = dir_.file("auth/passwd.db");
        keyPath_ = dir_.file("auth/passwd_db_key");
        mailAuthDBSetPath(dbPath_.c_str());
        mailAuthKeySetPath(keyPath_.c_str());
        ASSERT_EQ(mailAuthDBInit(), 0);
        ASSERT_EQ(mailAuthKeyInit(), 0);
    }
    void TearDown() override { mailAuthDBSelectStyle(MAIL_AUTH_DB_QMAIL_STYLE); }

    /// Every domain with its users: domain|status|user|password|crypted|status,
    /// an enciphered password shown as "enc:" and its plain text.
    std::string rows() {
        std::istringstream lines(sqliteRows(
            dbPath_,
            "SELECT d.name, d.status, u.name, u.userPassword, u.cmusaslsecretPLAIN, u.status "
            "FROM domains d LEFT JOIN users u ON u.dom_id = d.id ORDER BY d.name, u.name"));
        std::string out;
        for (std::string line; std::getline(lines, line);) {
            std::size_t at = line.find("$AES-256-CBC:PKCS$");
            if (at != std::string::npos) {
                std::size_t length = line.find('|', at) - at;
                quarn::SecretCString plain(mailPasswdCipherOp(
                    line.substr(at, length).c_str(), MAIL_PASSWD_DECRYPT, "test", nullptr));
                line.replace(at, length, "enc:" + std::string(plain ? plain.get() : "(none)"));
            }
            out += line + "\n";
        }
        return out;
    }

    TempDir dir_;
    std::string dbPath_;
    std::string keyPath_;
};

}  // namespace testsupport

#endif
