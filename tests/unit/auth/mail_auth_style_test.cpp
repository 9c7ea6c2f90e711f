// The mail server style read from a feature report.
#include "mail/lib/auth/mail_auth_location.h"
#include "mail/lib/auth/mail_auth_style.h"

#include "tests/support/log_capture.h"

#include <string>

#include <gtest/gtest.h>

namespace {

TEST(MailAuthStyle, ReadFromTheFeatureReport) {
    struct Case {
        const char* name;
        std::string report;
        int want;
        std::string wantLog;
    };
    const Case cases[] = {
        {"postfix, any case",
         "$features['SMTP_Server_package'] = \"qmail\";\n$features['SMTP_Server'] = \"Postfix\";\n",
         MAIL_AUTH_DB_POSTFIX_STYLE, ""},
        {"qmail in single quotes", "$features['SMTP_Server'] = 'QMail';\n",
         MAIL_AUTH_DB_QMAIL_STYLE, ""},
        {"unknown, then known",
         "$features['SMTP_Server'] = \"exim\";\n$features['SMTP_Server'] = \"qmail\";\n",
         MAIL_AUTH_DB_QMAIL_STYLE, "Unknown server style \"exim\", skipped|"},
        {"unparseable", "$features['SMTP_Server'] = postfix;\n", -1,
         "Unparseable line \"$features['SMTP_Server'] = postfix;\", skipped|"},
        {"no answer", "", -1, ""},
    };
    for (const Case& c : cases) {
        testsupport::LogCapture log;
        EXPECT_EQ(quarn::mailAuthStyleOfFeatures(c.report), c.want) << c.name;
        EXPECT_EQ(log.text(), c.wantLog) << c.name;
    }
}

}  // namespace
