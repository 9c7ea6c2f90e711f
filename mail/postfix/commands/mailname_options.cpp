#include "mail/postfix/commands/mailname_options.h"

#include <openssl/crypto.h>

#include <boost/program_options/value_semantic.hpp>

#include "lib/panel/enviroment.h"
#include "mail/lib/auth/mail_auth_types.h"
#include "mail/postfix/commands/name_check.h"

namespace po = boost::program_options;

namespace quarn::mail::postfix::mxwarden_commands {

void addMailnameOptions(ProgramOptionsHelper& options, const char* mailnameOption,
                        const char* mailnameDescription) {
    options.addOptions()
        ("domain-name", po::value<std::string>(), "domain name", true)
        (mailnameOption, po::value<std::string>(), mailnameDescription, true);
}

void addDomainDisabledSwitch(ProgramOptionsHelper& options) {
    options.addOptions()
        ("mail-domain-disabled,D", "the domain is disabled (currently unused)");
}

MailAddressNames::MailAddressNames(const ProgramOptionsHelper& options,
                                   const char* mailnameOption)
    : domain(checkedDomainName(options.get<std::string>("domain-name"))),
      mailname(checkedMailname(options.get<std::string>(mailnameOption))) {}

EnvPassword::EnvPassword() { supplied_ = get_env_password(&text_, &encrypted_) == 0; }

EnvPassword::~EnvPassword() {
    // A password must not outlive its use in freed memory.
    if (!text_.empty())
        OPENSSL_cleanse(&text_[0], text_.size());
}

int EnvPassword::flags(bool domainDisabled) const noexcept {
    return (encrypted_ ? MAIL_AUTH_CRYPTED : 0) | (domainDisabled ? MAIL_DOMAIN_AUTH_DISABLED : 0);
}

}  // namespace quarn::mail::postfix::mxwarden_commands
