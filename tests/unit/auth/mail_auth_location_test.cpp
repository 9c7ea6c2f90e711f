#include "mail/lib/auth/mail_auth_location.h"

#include <cstdlib>
#include <memory>
#include <string>

#include <gtest/gtest.h>

namespace {

std::string keyPathOf(const char* db) {
    std::unique_ptr<char, decltype(&std::free)> key(mailAuthDBToKeyPath(db), std::free);
    return key ? key.get() : "(null)";
}

// Both layouts are proved on the system paths by the sandboxed tests.
TEST(MailAuthLocation, UnknownStyleKeepsTheLayout) {
    mailAuthDBSelectStyle(MAIL_AUTH_DB_POSTFIX_STYLE);
    mailAuthDBSelectStyle(2);
    EXPECT_STREQ("/var/spool/postfix/quarn/passwd.db", mailAuthDB);
    mailAuthDBSelectStyle(MAIL_AUTH_DB_QMAIL_STYLE);
}

TEST(MailAuthLocation, KeyPathIsBesideTheDatabase) {
    EXPECT_EQ("/var/spool/postfix/quarn/passwd_db_key",
              keyPathOf("/var/spool/postfix/quarn/passwd.db"));
    EXPECT_EQ("./passwd_db_key", keyPathOf("passwd.db"));
}

}  // namespace
