// The three SMTP listeners that the system itself writes into master.cf.
#ifndef QUARN_MAIL_POSTFIX_CONFIG_MODULE_DEFINITIONS_H
#define QUARN_MAIL_POSTFIX_CONFIG_MODULE_DEFINITIONS_H

#include "mail/postfix/config/module_info.h"

namespace quarn::mail::postfix {

/// smtp inet n - n - - smtpd
struct SmtpdModule : ModuleInfo {
    SmtpdModule();
};

/// smtps inet n - n - - smtpd -o smtpd_tls_wrappermode=yes
struct SmtpsdModule : SmtpdModule {
    SmtpsdModule();
};

/// submission inet n - n - - smtpd, with TLS and SASL enforced.
struct SubmissionModule : ModuleInfo {
    SubmissionModule();
};

}  // namespace quarn::mail::postfix

#endif
