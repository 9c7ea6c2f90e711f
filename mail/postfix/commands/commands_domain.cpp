// The commands of a mail domain's life: add, remove, switch on and off, and
// its disk quota.
#include "mail/postfix/commands/commands.h"

#include <cstdint>
#include <ostream>
#include <string>

#include <boost/program_options/value_semantic.hpp>

#include "lib/errors/uerr.h"
#include "mail/lib/auth/mail_auth_domain.h"
#include "mail/lib/auth/mail_auth_propagate.h"
#include "mail/lib/handlers/mh_db_change.h"
#include "mail/lib/handlers/mh_db_list.h"
#include "mail/lib/storage/maildir_manager.h"
#include "mail/postfix/accounts/domain_manager.h"
#include "mail/postfix/commands/domain_option.h"
#include "mail/postfix/options/program_options_helper.h"
#include "mail/postfix/services/killproc.h"

namespace po = boost::program_options;

namespace quarn::mail::postfix::mxwarden_commands {

namespace {

/// Authentication rows first: when they cannot follow, the tables and the
/// handlers stay as they are.
int switchDomain(const std::string& domain, bool on) {
    int (*authSwitch)(const char*) = on ? mailAuthEnableDomain : mailAuthDisableDomain;
    if (domain_auth_action(domain.c_str(), authSwitch,
                           on ? "enable auth records" : "disable auth records") == -1)
        return 1;
    if (on)
        DomainManager::enableDomain(domain);
    else
        DomainManager::disableDomain(domain);
    mh_db_switch_by_addr(nullptr, domain.c_str(), on ? 1 : 0);
    return 0;
}

}  // namespace

int addDomain(int argc, char** argv) {
    ProgramOptionsHelper options("add a domain",
                                 "--add-domain --domain-name=<domain> [--disk-quota=quota]");
    addDomainNameOption(options);
    options.addOptions()("disk-quota", po::value<int64_t>(), "disk quota");
    standardOptionsParse(options, argc, argv);
    const std::string domain = checkedDomainOption(options);
    if (options.has("disk-quota"))
        DomainManager::createDomain(domain, options.get<int64_t>("disk-quota"), false);
    else
        DomainManager::createDomain(domain, false);
    // The rewriting daemon caches what it resolved; a new one reads the
    // new tables.
    killproc("/usr/lib/postfix/trivial-rewrite");
    return 0;
}

int removeDomain(int argc, char** argv) {
    const std::string domain = parseDomainOnly(
        "remove a domain", "--remove-domain --domain-name=<domain>", argc, argv);
    if (domain_auth_action(domain.c_str(), mailAuthRemoveDomain, "remove auth record") == -1)
        return 1;
    DomainManager::removeDomain(domain, OnRemoval::Remove);
    if (mh_db_remove_all(nullptr, domain.c_str()) < 0 ||
        mh_db_remove_addr(nullptr, domain.c_str()) != 0)
        uerr << "WARNING: unable to properly remove all mail handlers for " << domain
             << std::endl;
    return 0;
}

int enableDomain(int argc, char** argv) {
    return switchDomain(parseDomainOnly("enable a domain",
                                         "--turn-on-domain --domain-name=<domain>", argc, argv),
                        true);
}

int disableDomain(int argc, char** argv) {
    return switchDomain(parseDomainOnly("disable a domain",
                                         "--turn-off-domain --domain-name=<domain>", argc, argv),
                        false);
}

int setDomainDiskQuota(int argc, char** argv) {
    ProgramOptionsHelper options(
        "set a domain disk quota",
        "--set-domain-disk-quota --domain-name=<domain> --disk-quota=quota");
    addDomainNameOption(options);
    options.addOptions()("disk-quota", po::value<int64_t>(), "disk quota", true);
    standardOptionsParse(options, argc, argv);
    const std::string domain = checkedDomainOption(options);
    MaildirPPManager::getInstance().setDomainQuota(domain, options.get<int64_t>("disk-quota"));
    return 0;
}

}  // namespace quarn::mail::postfix::mxwarden_commands
