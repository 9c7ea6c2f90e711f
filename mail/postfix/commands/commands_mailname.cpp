// The commands of a mailname's life: create, remove and rename it, give it
// a mailbox or take the mailbox away, set its password. Each one changes
// the lookup tables and directories first, then the mail-authentication
// database, then the mail-handlers database.
#include "mail/postfix/commands/commands.h"

#include <cstdint>
#include <string>

#include <boost/program_options/value_semantic.hpp>

#include "mail/lib/auth/mail_auth_propagate.h"
#include "mail/lib/auth/mail_auth_user.h"
#include "mail/lib/handlers/mh_db_change.h"
#include "mail/lib/handlers/mh_db_clone.h"
#include "mail/lib/storage/on_removal.h"
#include "mail/postfix/accounts/mailname_manager.h"
#include "mail/postfix/commands/mailname_options.h"
#include "mail/postfix/options/name_check.h"
#include "mail/postfix/options/program_options_helper.h"

namespace po = boost::program_options;

namespace quarn::mail::postfix::mxwarden_commands {

namespace {

const char* const PASSWORD_SYNTAX_TAIL =
    "\n        The noncrypted password is transferred in the environment variable VEL_PASSWORD,"
    "\n        or crypted password is transferred in the environment variable "
    "VEL_CRYPTED_PASSWORD";

/// -1 of the authentication library is exit status 1.
int authStatus(int result) { return result == -1 ? 1 : 0; }

}  // namespace

int addMailname(int argc, char** argv) {
    ProgramOptionsHelper options(
        "add a mailname",
        "--add-mailname --domain-name=<domain_name> --mailname=<mail_name> "
        "[--disk-quota=<quota>]");
    addMailnameOptions(options);
    options.addOptions()("disk-quota", po::value<int64_t>(), "disk quota");
    standardOptionsParse(options, argc, argv);
    const MailAddressNames names(options);
    if (options.has("disk-quota"))
        MailnameManager::createMailname(names.domain, names.mailname,
                                        options.get<int64_t>("disk-quota"));
    else
        MailnameManager::createMailname(names.domain, names.mailname);
    return 0;
}

int removeMailname(int argc, char** argv) {
    ProgramOptionsHelper options(
        "remove a mailname",
        "--remove-mailname --domain-name=<domain_name> --mailname=<mail_name>");
    addMailnameOptions(options);
    standardOptionsParse(options, argc, argv);
    const MailAddressNames names(options);
    if (rm_mails_from_domains(names.mailname.c_str(), names.domain.c_str()) == -1)
        return 1;
    MailnameManager::removeMailname(names.domain, names.mailname, OnRemoval::Remove);
    return mh_db_remove_addr(nullptr, names.address().c_str());
}

int renameMailname(int argc, char** argv) {
    ProgramOptionsHelper options(
        "rename a mailname",
        "--rename-mailname --domain-name=<domain_name> --old-mailname=<old_mail_name> "
        "--new-mailname=<new_mail_name> [--mail-domain-disabled|-D]");
    options.addOptions()
        ("domain-name", po::value<std::string>(), "domain name", true)
        ("old-mailname", po::value<std::string>(), "old mailname", true)
        ("new-mailname", po::value<std::string>(), "new mailname", true);
    addDomainDisabledSwitch(options);
    standardOptionsParse(options, argc, argv);
    const MailAddressNames from(options, "old-mailname");
    const std::string to = checkedMailname(options.get<std::string>("new-mailname"));
    const std::string& domain = from.domain;
    MailnameManager::renameMailname(domain, from.mailname, to);
    // A password tells that the mailname has a mailbox whose record moves;
    // without one, no record of the old name may stay behind.
    const EnvPassword password;
    if (password.supplied()) {
        const int result = mailAuthRename(from.mailname.c_str(), to.c_str(), domain.c_str());
        if (result != 0)
            return result;
    } else if (rm_mname_from_domains(from.mailname.c_str(), domain.c_str()) == -1) {
        return 1;
    }
    const int cloned = mh_db_clone(nullptr, from.mailname.c_str(), domain.c_str(), to.c_str(),
                                   domain.c_str());
    return cloned | mh_db_remove_addr(nullptr, from.address().c_str());
}

int addMailbox(int argc, char** argv) {
    ProgramOptionsHelper options(
        "add mailname's mailbox",
        std::string("--add-mailbox --domain-name=<domain_name> --mailname=<mail_name> "
                    "[--mail-domain-disabled|-D]") +
            PASSWORD_SYNTAX_TAIL);
    addMailnameOptions(options);
    addDomainDisabledSwitch(options);
    standardOptionsParse(options, argc, argv);
    const MailAddressNames names(options);
    MailnameManager::enableDelivery(names.domain, names.mailname);
    const EnvPassword password;
    return authStatus(set_passwd_for_domains(names.mailname.c_str(), names.domain.c_str(),
                                             password.text(),
                                             password.flags(options.has("mail-domain-disabled"))));
}

int removeMailbox(int argc, char** argv) {
    ProgramOptionsHelper options(
        "remove mailname's mailbox",
        "--remove-mailbox --domain-name=<domain_name> --mailname=<mail_name>");
    addMailnameOptions(options);
    standardOptionsParse(options, argc, argv);
    const MailAddressNames names(options);
    MailnameManager::disableDelivery(names.domain, names.mailname);
    return authStatus(rm_mails_from_domains(names.mailname.c_str(), names.domain.c_str()));
}

int setPassword(int argc, char** argv) {
    ProgramOptionsHelper options(
        "set mailname's password",
        std::string("--set-password --domain-name=<domain_name> --mailname=<mail_name> "
                    "[--mail-domain-disabled|-D]") +
            PASSWORD_SYNTAX_TAIL);
    addMailnameOptions(options);
    addDomainDisabledSwitch(options);
    standardOptionsParse(options, argc, argv);
    // Taken before the names are checked: a refused command leaves no
    // password in the environment either.
    const EnvPassword password;
    const int flags = password.flags(options.has("mail-domain-disabled"));
    const MailAddressNames names(options);
    return authStatus(set_mass_postbox_passwd(names.mailname.c_str(), names.domain.c_str(),
                                              password.text(), flags));
}

}  // namespace quarn::mail::postfix::mxwarden_commands
