// Which mail server the panel runs, as this system's feature report says.
#ifndef QUARN_MAIL_LIB_AUTH_MAIL_AUTH_STYLE_H
#define QUARN_MAIL_LIB_AUTH_MAIL_AUTH_STYLE_H

#include <string>

/// Runs "<PRODUCT_ROOT_D>/admin/sbin/mxwarden --features": the style of its
/// SMTP_Server (MAIL_AUTH_DB_POSTFIX_STYLE or MAIL_AUTH_DB_QMAIL_STYLE), or
/// -1 logged.
int mailAuthDBDetectStyle();

namespace quarn {

/// The style named by a feature report; -1 when it names none.
int mailAuthStyleOfFeatures(const std::string& report);

}  // namespace quarn

#endif
