// The manual page mxwarden(8): a template of hand-written prose whose
// command section is generated from the command catalog.
#ifndef QUARN_MAIL_POSTFIX_DOC_MAN_PAGE_H
#define QUARN_MAIL_POSTFIX_DOC_MAN_PAGE_H

#include <string>
#include <vector>

#include "mail/postfix/doc/command_catalog.h"

namespace quarn::mail::postfix::doc {

/// Text made safe for a roff text line: backslashes, minus signs and a
/// leading dot or apostrophe escaped; with `breakable`, "|" and "," may
/// end an output line (long syntax words have no blanks to break at).
std::string roffText(const std::string& text, bool breakable = false);

/// The roff source of the commands, one subsection each.
std::string manCommands(const std::vector<CatalogCommand>& catalog);

/// The template with the lines "@COMMANDS@" replaced by the commands and
/// "@VERSION@", "@DATE@" by the given texts.
std::string manPage(const std::string& pageTemplate, const std::vector<CatalogCommand>& catalog,
                    const std::string& version, const std::string& date);

}  // namespace quarn::mail::postfix::doc

#endif
