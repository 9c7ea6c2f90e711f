#include "mail/postfix/config/module_definitions.h"

namespace quarn::mail::postfix {

SmtpdModule::SmtpdModule() {
    name = "smtp";
    type = INET;
    isPrivate = false;
    command = {"smtpd"};
}

SmtpsdModule::SmtpsdModule() {
    name = "smtps";
    command.push_back("-o smtpd_tls_wrappermode=yes");
}

SubmissionModule::SubmissionModule() {
    name = "submission";
    type = INET;
    isPrivate = false;
    command = {"smtpd",
               "-o smtpd_enforce_tls=yes",
               "-o smtpd_tls_security_level=encrypt",
               "-o smtpd_sasl_auth_enable=yes",
               "-o smtpd_client_restrictions=permit_sasl_authenticated,reject",
               "-o smtpd_sender_restrictions="};
}

}  // namespace quarn::mail::postfix
