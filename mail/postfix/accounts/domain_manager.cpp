#include "mail/postfix/accounts/domain_manager.h"

#include <boost/algorithm/string/replace.hpp>

#include <exception>
#include <utility>

#include "lib/runner/sh_quote.h"
#include "mail/lib/storage/maildir_manager.h"
#include "mail/postfix/tables/database_helper.h"
#include "mail/postfix/accounts/domain_filters.h"
#include "mail/postfix/accounts/hostname_rename_guard.h"
#include "mail/postfix/accounts/panel_lists.h"
#include "mail/postfix/tables/table_names.h"

namespace quarn::mail::postfix {

namespace {

using Records = std::vector<std::pair<std::string, std::string>>;

const char* const LOCAL_HOST = "@localhost.localdomain";
const char* const BOUNCE_PREFIX = "_quarn_bounce_";
const char* const BOUNCE_PROGRAM = "/usr/lib/quarn-9.0/bouncemessage";

/// Every change of a one-shot operation goes to its table at once.
BatchDatabaseHelper oneShot() { return BatchDatabaseHelper(true, true); }

/// The domain first, then its aliases.
DomainManager::NameList withAliases(const std::string& domain) {
    DomainManager::NameList names{domain};
    DomainManager::NameList aliases = panelDomainAliases(domain);
    names.insert(names.end(), aliases.begin(), aliases.end());
    return names;
}

}  // namespace

const DomainManager::NameList& DomainManager::standardAddresses() {
    static const NameList names{"postmaster", "mailer-daemon", "root",
                                "anonymous",  "drweb",         "kluser"};
    return names;
}

void DomainManager::createDomain(const std::string& domain, bool disabled) {
    MaildirManager::getInstance().createDomainRoot(domain);
    removeDomainAlias(domain);
    BatchDatabaseHelper batch = oneShot();
    createDomainRecord(batch, domain, disabled);
}

void DomainManager::createDomain(const std::string& domain, int64_t quota, bool disabled) {
    MaildirPPManager& maildirs = MaildirManager::getInstance();
    maildirs.createDomainRoot(domain);
    maildirs.setDomainQuota(domain, quota);
    removeDomainAlias(domain);
    BatchDatabaseHelper batch = oneShot();
    createDomainRecord(batch, domain, disabled);
}

void DomainManager::createDomainRecord(BatchDatabaseHelper& batch, const std::string& domain,
                                       bool disabled) {
    createStandardDomainAddresses(batch, domain);
    if (!disabled)
        enableDomain(batch, domain);
}

void DomainManager::removeDomain(const std::string& domain, OnRemoval mode) {
    DatabaseHelper::removeRecord(tables::VIRTUAL_DOMAINS, domain);
    if (mode == OnRemoval::Remove) {
        // The tables matter more than the disk: a directory that cannot go
        // must not keep the domain's records alive.
        try {
            MaildirManager::getInstance().removeDomainRoot(domain);
        } catch (const std::exception&) {
        }
    } else if (mode == OnRemoval::Backup) {
        MaildirManager::getInstance().backupDomainRoot(domain);
    }
    removeDomainReferences(domain, false);
}

void DomainManager::enableDomain(const std::string& domain) {
    BatchDatabaseHelper batch = oneShot();
    enableDomain(batch, domain);
}

void DomainManager::enableDomain(BatchDatabaseHelper& batch, const std::string& domain) {
    batch.addChange(tables::VIRTUAL_DOMAINS, domain, domain + "/");
    createStandardDomainAddresses(batch, domain);
}

void DomainManager::disableDomain(const std::string& domain) {
    DatabaseHelper::removeRecord(tables::VIRTUAL_DOMAINS, domain);
    removeStandardDomainAddresses(domain);
}

void DomainManager::createStandardDomainAddresses(const std::string& domain) {
    BatchDatabaseHelper batch = oneShot();
    createStandardDomainAddresses(batch, domain);
}

void DomainManager::createStandardDomainAddresses(BatchDatabaseHelper& batch,
                                                  const std::string& domain) {
    Records records;
    for (const std::string& name : standardAddresses())
        records.emplace_back(name + "@" + domain, name + LOCAL_HOST);
    batch.addChanges(tables::VIRTUAL, records.begin(), records.end());
}

void DomainManager::removeStandardDomainAddresses(const std::string& domain) {
    BatchDatabaseHelper batch = oneShot();
    removeStandardDomainAddresses(batch, domain);
}

void DomainManager::removeStandardDomainAddresses(BatchDatabaseHelper& batch,
                                                  const std::string& domain) {
    NameList keys;
    for (const std::string& name : standardAddresses())
        keys.push_back(name + "@" + domain);
    batch.removeChanges(tables::VIRTUAL, keys.begin(), keys.end());
}

void DomainManager::createCatchall(const std::string& domain, const std::string& target) {
    BatchDatabaseHelper batch = oneShot();
    createCatchall(batch, domain, target);
}

void DomainManager::createCatchall(BatchDatabaseHelper& batch, const std::string& domain,
                                   const std::string& target) {
    createCatchallFor(batch, withAliases(domain), target);
}

void DomainManager::createCatchallFor(BatchDatabaseHelper& batch, const NameList& domains,
                                      const std::string& target) {
    Records records;
    for (const std::string& name : domains)
        records.emplace_back("@" + name, target);
    batch.addChanges(tables::VIRTUAL, records.begin(), records.end());
}

void DomainManager::removeCatchall(const std::string& domain) {
    BatchDatabaseHelper batch = oneShot();
    removeCatchall(batch, domain);
}

void DomainManager::removeCatchall(BatchDatabaseHelper& batch, const std::string& domain) {
    NameList keys;
    for (const std::string& alias : panelDomainAliases(domain))
        keys.push_back("@" + alias);
    keys.push_back("@" + domain);
    batch.removeChanges(tables::VIRTUAL, keys.begin(), keys.end());
}

void DomainManager::setBounce(const std::string& domain, const std::string& text) {
    BatchDatabaseHelper batch = oneShot();
    setBounce(batch, domain, text);
}

void DomainManager::setBounce(BatchDatabaseHelper& batch, const std::string& domain,
                              const std::string& text) {
    setBounceFor(batch, withAliases(domain), text);
}

void DomainManager::setBounceFor(BatchDatabaseHelper& batch, const NameList& domains,
                                 const std::string& text) {
    const std::string command = bounceCommand(text);
    Records rewrites;
    for (const std::string& name : domains) {
        batch.addChange(tables::ALIASES, BOUNCE_PREFIX + name, command);
        rewrites.emplace_back("@" + name, BOUNCE_PREFIX + name + LOCAL_HOST);
    }
    batch.addChanges(tables::VIRTUAL, rewrites.begin(), rewrites.end());
}

// The aliases value is read twice: once by the aliases parser, which takes
// the outer double quotes, and once by the shell that runs the command,
// so the text is quoted for the shell twice. An aliases value is one line.
std::string DomainManager::bounceCommand(const std::string& text) {
    std::string command = std::string("\"|") + BOUNCE_PROGRAM;
    if (!text.empty())
        command += " " + sh_quote(sh_quote(boost::algorithm::replace_all_copy(text, "\n", " ")));
    return command + "\"";
}

void DomainManager::createDomainAlias(const std::string& domain, const std::string& alias) {
    BatchDatabaseHelper batch = oneShot();
    createDomainAlias(batch, domain, alias);
}

void DomainManager::createDomainAlias(BatchDatabaseHelper& batch, const std::string& domain,
                                      const std::string& alias) {
    createStandardDomainAddresses(batch, alias);
    Records records{{alias, "1"}};
    for (const std::string& mailname : panelMailnames(domain)) {
        const std::string address = mailname + "@" + domain;
        for (const std::string& mailAlias : panelMailAliases(mailname, domain))
            records.emplace_back(mailAlias + "@" + alias, address);
        records.emplace_back(mailname + "@" + alias, address);
    }
    batch.addChanges(tables::VIRTUAL, records.begin(), records.end());
}

void DomainManager::removeDomainAlias(const std::string& alias) {
    DatabaseHelper::filterElements(tables::VIRTUAL, NotInDomainFilter(alias, false));
}

void DomainManager::renameDomainAlias(const std::string& oldAlias, const std::string& newAlias) {
    safeDomainFromToHostnameRenamer guard;
    guard.beforeRename(newAlias);
    DatabaseHelper::filterElements(tables::VIRTUAL, ReplaceDomainPart(oldAlias, newAlias, false));
    guard.afterRename(oldAlias);
}

void DomainManager::removeDomainReferences(const std::string& domain, bool withSubdomains) {
    NotInDomainFilter filter(domain, withSubdomains);
    DatabaseHelper::filterElements(tables::VIRTUAL, filter);
    DatabaseHelper::filterElements(tables::VMAILBOX, filter);
}

}  // namespace quarn::mail::postfix
