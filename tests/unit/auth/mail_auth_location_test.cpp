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

// Runs first in this binary's order only by luck, so it checks the values
// through a reset to the qmail layout instead of relying on start-up state.
TEST(MailAuthLocation, StylesSelectBothPaths) {
    mailAuthDBSelectStyle(MAIL_AUTH_DB_QMAIL_STYLE);
    EXPECT_STREQ("/var/lib/quarn/mail/auth/passwd.db", mailAuthDB);
    EXPECT_STREQ("/var/lib/quarn/mail/auth/passwd_db_key", mailAuthKey);
    mailAuthDBSelectStyle(MAIL_AUTH_DB_POSTFIX_STYLE);
    EXPECT_STREQ("/var/spool/postfix/quarn/passwd.db", mailAuthDB);
    EXPECT_STREQ("/var/spool/postfix/quarn/passwd_db_key", mailAuthKey);
    mailAuthDBSelectStyle(2);
    EXPECT_STREQ("/var/spool/postfix/quarn/passwd.db", mailAuthDB) << "style 2 is unknown";
}

TEST(MailAuthLocation, KeyPathIsBesideTheDatabase) {
    EXPECT_EQ("/var/spool/postfix/quarn/passwd_db_key",
              keyPathOf("/var/spool/postfix/quarn/passwd.db"));
    EXPECT_EQ("./passwd_db_key", keyPathOf("passwd.db"));
}

}  // namespace
