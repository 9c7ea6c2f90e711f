#include "mail/postfix/commands/mailname_options.h"

#include <openssl/crypto.h>

#include <cstdlib>
#include <cstring>

#include <boost/program_options/value_semantic.hpp>

#include "lib/panel/enviroment.h"
#include "mail/lib/auth/mail_auth_types.h"
#include "mail/postfix/options/name_check.h"

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

// The variable leaves the environment array, but its text would stay in
// the process's memory (and in /proc/<pid>/environ): it is wiped there too.
EnvPassword::EnvPassword() {
    char* const plain = std::getenv("VEL_PASSWORD");
    char* const crypted = std::getenv("VEL_CRYPTED_PASSWORD");
    supplied_ = get_env_password(&text_, &encrypted_) == 0;
    char* const used = !supplied_ ? nullptr : encrypted_ ? crypted : plain;
    if (used)
        OPENSSL_cleanse(used, std::strlen(used));
}

EnvPassword::~EnvPassword() {
    // A password must not outlive its use in freed memory.
    if (!text_.empty())
        OPENSSL_cleanse(&text_[0], text_.size());
}

int EnvPassword::flags(bool domainDisabled) const noexcept {
    return (encrypted_ ? MAIL_AUTH_CRYPTED : 0) | (domainDisabled ? MAIL_DOMAIN_AUTH_DISABLED : 0);
}

}  // namespace quarn::mail::postfix::mxwarden_commands
