// What the mailname commands share: their two mandatory options, the names
// read from them, and the password taken from the environment.
#ifndef QUARN_MAIL_POSTFIX_COMMANDS_MAILNAME_OPTIONS_H
#define QUARN_MAIL_POSTFIX_COMMANDS_MAILNAME_OPTIONS_H

#include <string>

#include "mail/postfix/options/program_options_helper.h"

namespace quarn::mail::postfix::mxwarden_commands {

/// Declares "domain-name" and `mailnameOption` (both mandatory strings).
void addMailnameOptions(ProgramOptionsHelper& options,
                        const char* mailnameOption = "mailname",
                        const char* mailnameDescription = "mailname");

/// The switch "mail-domain-disabled", "-D".
void addDomainDisabledSwitch(ProgramOptionsHelper& options);

/// The domain (ASCII, lower case) and a mailname, checked before anything
/// changes; a refused name throws std::invalid_argument.
struct MailAddressNames {
    std::string domain;
    std::string mailname;

    MailAddressNames(const ProgramOptionsHelper& options, const char* mailnameOption = "mailname");
    /// mailname@domain, the key of the mail-handlers database.
    std::string address() const { return mailname + "@" + domain; }
};

/// The password of VEL_PASSWORD or else VEL_CRYPTED_PASSWORD, taken out of
/// the environment at construction and wiped from memory at destruction.
class EnvPassword {
public:
    EnvPassword();
    EnvPassword(const EnvPassword&) = delete;
    EnvPassword& operator=(const EnvPassword&) = delete;
    ~EnvPassword();

    bool supplied() const noexcept { return supplied_; }
    /// Null when none was supplied.
    const char* text() const noexcept { return supplied_ ? text_.c_str() : nullptr; }
    /// MAIL_AUTH_CRYPTED for the panel's crypted form, plus
    /// MAIL_DOMAIN_AUTH_DISABLED when `domainDisabled`.
    int flags(bool domainDisabled) const noexcept;

private:
    std::string text_;
    int encrypted_ = 0;
    bool supplied_ = false;
};

}  // namespace quarn::mail::postfix::mxwarden_commands

#endif
