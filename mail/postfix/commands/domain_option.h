// The option every domain command has: the domain name, checked.
#ifndef QUARN_MAIL_POSTFIX_COMMANDS_DOMAIN_OPTION_H
#define QUARN_MAIL_POSTFIX_COMMANDS_DOMAIN_OPTION_H

#include <string>

#include "mail/postfix/options/program_options_helper.h"

namespace quarn::mail::postfix::mxwarden_commands {

/// Declares the mandatory "domain-name".
void addDomainNameOption(ProgramOptionsHelper& options);

/// The checked ASCII form of the parsed "domain-name".
std::string checkedDomainOption(const ProgramOptionsHelper& options);

/// Parses a command whose only option is the domain name; the value as
/// given.
std::string parseDomainOnlyRaw(const char* description, const char* syntax, int argc,
                               char** argv);

/// parseDomainOnlyRaw, checked.
std::string parseDomainOnly(const char* description, const char* syntax, int argc,
                            char** argv);

}  // namespace quarn::mail::postfix::mxwarden_commands

#endif
