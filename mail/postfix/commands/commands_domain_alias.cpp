// The domain-alias commands. An alias lives in four stores, visited in one
// order: lookup tables, mail handlers, DomainKey, authentication rows. Only
// the tables and the authentication rows decide the exit status; the
// handlers and the key are warned about.
#include "mail/postfix/commands/commands.h"

#include <ostream>
#include <string>

#include <boost/program_options/value_semantic.hpp>

#include "lib/errors/uerr.h"
#include "mail/lib/auth/mail_auth_propagate.h"
#include "mail/lib/files/domain_keys.h"
#include "mail/lib/handlers/mh_db_change.h"
#include "mail/lib/handlers/mh_db_clone.h"
#include "mail/postfix/accounts/domain_manager.h"
#include "mail/postfix/commands/commands_domain_unknown.h"
#include "mail/postfix/commands/domain_option.h"
#include "mail/postfix/options/name_check.h"

namespace po = boost::program_options;

namespace quarn::mail::postfix::mxwarden_commands {

namespace {

/// The alias's handlers go, by address and by name; false on a failure.
bool removeHandlersOf(const std::string& alias) {
    return mh_db_remove_name(nullptr, alias.c_str()) >= 0 &&
           mh_db_remove_addr(nullptr, alias.c_str()) >= 0;
}

/// The handlers of `from` become those of `to`; false on the first failure.
bool moveHandlers(const std::string& from, const std::string& to) {
    return mh_db_clone(nullptr, nullptr, from.c_str(), nullptr, to.c_str()) >= 0 &&
           removeHandlersOf(from);
}

}  // namespace

int addDomainAlias(int argc, char** argv) {
    ProgramOptionsHelper options(
        "add a domain alias",
        "--add-domain-alias --domain-name=<domain_name> --domain-alias-name=<domain_alias_name> "
        "<--set-bounce 'text'| --set-catchall 'email' | --set-reject>");
    addDomainNameOption(options);
    options.addOptions()("domain-alias-name", po::value<std::string>(), "domain alias name",
                         true);
    formNotexistingMailOptions(options);
    standardOptionsParse(options, argc, argv);
    const std::string domain = checkedDomainOption(options);
    const std::string alias = checkedDomainName(options.get<std::string>("domain-alias-name"));
    checkNotexistingMailOptions(options);

    DomainManager::createDomainAlias(domain, alias);
    if (mh_db_clone(nullptr, nullptr, domain.c_str(), nullptr, alias.c_str()) < 0)
        uerr << "WARNING: unable to clone all mail handlers for " << alias << std::endl;
    if (clone_domain_key(domain.c_str(), alias.c_str()) != 0)
        uerr << "WARNING: cannot clone domain key for " << alias << std::endl;
    if (add_domain_auth_alias(domain.c_str(), alias.c_str()) == -1)
        return 1;
    return processNotexistingMailnamesOptions(options, alias);
}

int removeDomainAlias(int argc, char** argv) {
    ProgramOptionsHelper options(
        "remove a domain alias",
        "--del-domain-alias --domain-name=<domain_name> --domain-alias-name=<domain_alias_name>");
    addDomainNameOption(options);
    options.addOptions()("domain-alias-name", po::value<std::string>(), "domain alias name",
                         true);
    standardOptionsParse(options, argc, argv);
    // The domain is not needed, but a hostile one is refused like any name.
    checkedDomainOption(options);
    const std::string alias = checkedDomainName(options.get<std::string>("domain-alias-name"));

    DomainManager::removeDomainAlias(alias);
    if (!removeHandlersOf(alias))
        uerr << "WARNING: unable to properly remove mail handlers for " << alias << std::endl;
    remove_domain_key(alias.c_str());
    return rm_domain_auth_alias(alias.c_str()) == -1 ? 1 : 0;
}

int renameDomainAlias(int argc, char** argv) {
    ProgramOptionsHelper options(
        "rename a given domain alias",
        "--rename-domain-alias --domain-name=<domain_name> "
        "--old-domain-alias-name=<old_domain_alias_name> "
        "--new-domain-alias-name=<new_domain_alias_name> "
        "<--set-bounce 'text'| --set-catchall 'email' | --set-reject>");
    addDomainNameOption(options);
    options.addOptions()
        ("old-domain-alias-name", po::value<std::string>(), "old domain alias name", true)
        ("new-domain-alias-name", po::value<std::string>(), "new domain alias name", true);
    formNotexistingMailOptions(options);
    standardOptionsParse(options, argc, argv);
    const std::string domain = checkedDomainOption(options);
    const std::string from = checkedDomainName(options.get<std::string>("old-domain-alias-name"));
    const std::string to = checkedDomainName(options.get<std::string>("new-domain-alias-name"));
    checkNotexistingMailOptions(options);

    DomainManager::renameDomainAlias(from, to);
    if (!moveHandlers(from, to))
        uerr << "WARNING: unable to properly re-assign mail handlers from " << from << " to "
             << to << std::endl;
    // No flush: the copy on standard output follows with the next one.
    if (clone_domain_key(from.c_str(), to.c_str()) != 0)
        uerr << "WARNING: cannot create domainkey for " << to << '\n';
    remove_domain_key(from.c_str());
    if (add_domain_auth_alias(domain.c_str(), to.c_str()) == -1 ||
        rm_domain_auth_alias(from.c_str()) == -1)
        return 1;
    return processNotexistingMailnamesOptions(options, to);
}

}  // namespace quarn::mail::postfix::mxwarden_commands
