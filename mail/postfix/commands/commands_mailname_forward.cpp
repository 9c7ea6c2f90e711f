// Where a mailname's mail also goes: redirects, mail aliases and the
// autoresponder.
#include "mail/postfix/commands/commands.h"

#include <string>

#include <boost/program_options/value_semantic.hpp>

#include "mail/lib/auth/mail_auth_propagate.h"
#include "mail/lib/auth/mail_auth_user.h"
#include "mail/lib/files/autoresponder.h"
#include "mail/lib/handlers/mh_db_change.h"
#include "mail/lib/handlers/mh_db_clone.h"
#include "mail/postfix/accounts/mailname_manager.h"
#include "mail/postfix/commands/mailname_options.h"
#include "mail/postfix/options/name_check.h"
#include "mail/postfix/options/program_options_helper.h"

namespace po = boost::program_options;

namespace quarn::mail::postfix::mxwarden_commands {

namespace {

/// The syntax of a command that takes the domain, the mailname and one
/// more option.
std::string syntaxWith(const char* command, const char* more) {
    return std::string(command) + " --domain-name=<domain_name> --mailname=<mail_name>" + more;
}

/// The redirect address of a parsed command line, checked.
std::string redirectAddress(const ProgramOptionsHelper& options) {
    return checkedAddress(options.get<std::string>("redirect-email"));
}

/// A redirect command: the names, then `change` of the mailname's .qmail.
template <class Change>
int redirectCommand(int argc, char** argv, const char* description, const char* command,
                    Change change) {
    ProgramOptionsHelper options(description,
                                 syntaxWith(command, " --redirect-email=<email>"));
    addMailnameOptions(options);
    options.addOptions()("redirect-email", po::value<std::string>(), "redirect email", true);
    standardOptionsParse(options, argc, argv);
    const MailAddressNames names(options);
    change(names.domain, names.mailname, redirectAddress(options));
    return 0;
}

/// The parsed names of an alias command; the alias is a local part.
struct AliasNames {
    MailAddressNames names;
    std::string alias;

    explicit AliasNames(const ProgramOptionsHelper& options)
        : names(options), alias(checkedMailname(options.get<std::string>("alias"))) {}
    std::string aliasAddress() const { return alias + "@" + names.domain; }
};

void declareAliasOptions(ProgramOptionsHelper& options) {
    addMailnameOptions(options);
    options.addOptions()("alias", po::value<std::string>(), "alias email", true);
}

/// An autoresponder command: the names, then the action's result.
int autoresponderCommand(int argc, char** argv, const char* description, const char* command,
                         int action) {
    ProgramOptionsHelper options(description, syntaxWith(command, ""));
    addMailnameOptions(options);
    standardOptionsParse(options, argc, argv);
    const MailAddressNames names(options);
    return autoresponder_action(names.mailname.c_str(), names.domain.c_str(), action);
}

}  // namespace

int addRedirect(int argc, char** argv) {
    return redirectCommand(argc, argv, "add a redirect", "--add-redirect",
                           &MailnameManager::addForward);
}

int removeRedirect(int argc, char** argv) {
    return redirectCommand(argc, argv, "remove a given redirect", "--remove-redirect",
                           &MailnameManager::removeForward);
}

int addAlias(int argc, char** argv) {
    ProgramOptionsHelper options("add alias for a given mailname",
                                 syntaxWith("--add-alias", " --alias=<email_alias>"));
    declareAliasOptions(options);
    standardOptionsParse(options, argc, argv);
    const AliasNames parsed(options);
    const std::string& domain = parsed.names.domain;
    const std::string& mailname = parsed.names.mailname;
    MailnameManager::createMailAlias(domain, mailname, parsed.alias);
    // The alias answers to the mailbox's password and runs its handlers.
    if (mailAuthClone(mailname.c_str(), domain.c_str(), parsed.alias.c_str(), domain.c_str()) ==
        -1)
        return 1;
    return mh_db_clone(nullptr, mailname.c_str(), domain.c_str(), parsed.alias.c_str(),
                       domain.c_str());
}

int removeAlias(int argc, char** argv) {
    ProgramOptionsHelper options("remove alias for a given mailname",
                                 syntaxWith("--remove-alias", " --alias=<email_alias>"));
    declareAliasOptions(options);
    standardOptionsParse(options, argc, argv);
    const AliasNames parsed(options);
    const std::string& domain = parsed.names.domain;
    MailnameManager::removeMailAlias(domain, parsed.names.mailname, parsed.alias);
    if (rm_mname_from_domains(parsed.alias.c_str(), domain.c_str()) == -1)
        return 1;
    return mh_db_remove_addr(nullptr, parsed.aliasAddress().c_str());
}

int addAutoresponder(int argc, char** argv) {
    return autoresponderCommand(argc, argv, "add autoresponder for a given mailname",
                                "--set-autoresponder", AUTORESPONDER_REGISTER);
}

int removeAutoresponder(int argc, char** argv) {
    return autoresponderCommand(argc, argv, "remove autoresponder for a given mailname",
                                "--reset-autoresponder", AUTORESPONDER_UNREGISTER);
}

}  // namespace quarn::mail::postfix::mxwarden_commands
