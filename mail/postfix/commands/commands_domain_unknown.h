// What a domain does with mail for mailnames it does not have: a catch-all
// address, a bounce with a phrase, or rejection; the commands that choose it
// and the option group the domain-alias commands share.
#ifndef QUARN_MAIL_POSTFIX_COMMANDS_COMMANDS_DOMAIN_UNKNOWN_H
#define QUARN_MAIL_POSTFIX_COMMANDS_COMMANDS_DOMAIN_UNKNOWN_H

#include <string>

#include "mail/postfix/options/program_options_helper.h"

namespace quarn::mail::postfix::mxwarden_commands {

/// The switches set-catchall, set-bounce and set-reject with the values
/// email and phrase, none of them mandatory.
void formNotexistingMailOptions(ProgramOptionsHelper& options);

/// Refuses, before anything changes, a catch-all address that the chosen
/// action would use.
void checkNotexistingMailOptions(const ProgramOptionsHelper& options);

/// Sets the bounce or the catch-all of `alias` (already checked) as the
/// options choose; set-bounce wins over set-catchall, both over set-reject.
/// 1 after a logged message when no action was chosen, else 0.
int processNotexistingMailnamesOptions(const ProgramOptionsHelper& options,
                                       const std::string& alias);

}  // namespace quarn::mail::postfix::mxwarden_commands

#endif
