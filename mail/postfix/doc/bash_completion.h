// The bash completion of mxwarden, generated from the command catalog:
// command words first, then the command's options, then listed values.
#ifndef QUARN_MAIL_POSTFIX_DOC_BASH_COMPLETION_H
#define QUARN_MAIL_POSTFIX_DOC_BASH_COMPLETION_H

#include <string>
#include <vector>

#include "mail/postfix/doc/command_catalog.h"

namespace quarn::mail::postfix::doc {

/// The completion script (for /usr/share/bash-completion/completions).
/// Throws std::invalid_argument for a word the script could not hold
/// literally.
std::string bashCompletion(const std::vector<CatalogCommand>& catalog);

}  // namespace quarn::mail::postfix::doc

#endif
