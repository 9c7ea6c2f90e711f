#include "mail/postfix/accounts/mailname_manager.h"

#include <algorithm>
#include <exception>
#include <utility>
#include <vector>

#include "mail/lib/storage/dot_qmail_manager.h"
#include "mail/lib/storage/maildir_manager.h"
#include "mail/postfix/accounts/mailname_rename_guard.h"
#include "mail/postfix/accounts/panel_lists.h"
#include "mail/postfix/tables/database_helper.h"
#include "mail/postfix/tables/table_names.h"

namespace quarn::mail::postfix {

namespace {

using Records = std::vector<std::pair<std::string, std::string>>;
using Keys = std::vector<std::string>;

/// Every change of a one-shot operation goes to its table at once.
BatchDatabaseHelper oneShot() { return BatchDatabaseHelper(true, true); }

std::string address(const std::string& mailname, const std::string& domain) {
    return mailname + "@" + domain;
}

/// `local`@D first, then `local`@A for each domain alias A.
Keys atDomainAndAliases(const std::string& local, const std::string& domain) {
    Keys keys{address(local, domain)};
    for (const std::string& alias : panelDomainAliases(domain))
        keys.push_back(address(local, alias));
    return keys;
}

/// The .qmail of the mailname's home.
DotQMailManager dotQMail(const std::string& domain, const std::string& mailname) {
    return DotQMailManager(MaildirManager::getInstance().getMailnameHome(domain, mailname));
}

/// Creates the home and a .qmail that delivers nothing yet.
void createHome(const std::string& domain, const std::string& mailname) {
    MaildirManager::getInstance().createMailnameHome(domain, mailname);
    dotQMail(domain, mailname).reset();
}

}  // namespace

void MailnameManager::createMailname(const std::string& domain, const std::string& mailname,
                                     int64_t quota) {
    createHome(domain, mailname);
    MaildirManager::getInstance().setMailboxQuota(domain, mailname, quota);
    BatchDatabaseHelper batch = oneShot();
    createMailnameRecord(batch, domain, mailname);
}

void MailnameManager::createMailname(const std::string& domain, const std::string& mailname) {
    createHome(domain, mailname);
    MaildirManager::getInstance().removeMailboxQuota(domain, mailname);
    BatchDatabaseHelper batch = oneShot();
    createMailnameRecord(batch, domain, mailname);
}

void MailnameManager::createMailnameRecord(BatchDatabaseHelper& batch,
                                           const std::string& domain,
                                           const std::string& mailname) {
    const std::string self = address(mailname, domain);
    const std::string maildir =
        MaildirManager::getInstance().getMailnameRelativeMaildir(domain, mailname).string();
    batch.addChange(tables::VMAILBOX, self, maildir + "/");
    Records records;
    for (const std::string& key : atDomainAndAliases(mailname, domain))
        records.emplace_back(key, self);
    batch.addChanges(tables::VIRTUAL, records.begin(), records.end());
}

void MailnameManager::createMailAlias(const std::string& domain, const std::string& mailname,
                                      const std::string& alias) {
    BatchDatabaseHelper batch = oneShot();
    createMailAlias(batch, domain, mailname, alias);
}

void MailnameManager::createMailAlias(BatchDatabaseHelper& batch, const std::string& domain,
                                      const std::string& mailname, const std::string& alias) {
    const std::string target = address(mailname, domain);
    Records records;
    for (const std::string& key : atDomainAndAliases(alias, domain))
        records.emplace_back(key, target);
    batch.addChanges(tables::VIRTUAL, records.begin(), records.end());
}

void MailnameManager::removeMailAlias(const std::string& domain, const std::string&,
                                      const std::string& alias) {
    const Keys keys = atDomainAndAliases(alias, domain);
    DatabaseHelper::removeRecords(tables::VIRTUAL, keys.begin(), keys.end());
}

void MailnameManager::removeMailname(const std::string& domain, const std::string& mailname,
                                     OnRemoval mode) {
    DatabaseHelper::removeRecord(tables::VMAILBOX, address(mailname, domain));
    // The aliases' keys first, the mailbox's own last.
    Keys keys = atDomainAndAliases(mailname, domain);
    std::rotate(keys.begin(), keys.begin() + 1, keys.end());
    DatabaseHelper::removeRecords(tables::VIRTUAL, keys.begin(), keys.end());
    MaildirPPManager& maildirs = MaildirManager::getInstance();
    if (mode == OnRemoval::Remove) {
        // The records are gone already; a home that cannot go (or is gone
        // already) must not fail the removal.
        try {
            maildirs.removeMailnameHome(domain, mailname);
        } catch (const std::exception&) {
        }
    } else if (mode == OnRemoval::Backup) {
        maildirs.backupMailnameHome(domain, mailname);
    }
}

void MailnameManager::renameMailname(const std::string& domain, const std::string& oldMailname,
                                     const std::string& newMailname) {
    const std::string oldAddress = address(oldMailname, domain);
    const std::string newAddress = address(newMailname, domain);
    MaildirPPManager& maildirs = MaildirManager::getInstance();
    const std::string oldMaildir = maildirs.getMailnameRelativeMaildir(domain, oldMailname).string();
    const std::string newMaildir = maildirs.getMailnameRelativeMaildir(domain, newMailname).string();
    renameMailboxRecords(oldAddress, newAddress, oldMaildir, newMaildir);
    safeMailnameRenamer mailboxGuard(oldAddress, newAddress, oldMaildir, newMaildir);
    renameAliasRecords(oldAddress, newAddress);
    safeAliasRenamer aliasGuard(oldAddress, newAddress);
    maildirs.renameMailnameHome(domain, oldMailname, newMailname);
}

void MailnameManager::addForward(const std::string& domain, const std::string& mailname,
                                 const std::string& address) {
    dotQMail(domain, mailname).addRedirect(address, DotQMailManager::End);
}

void MailnameManager::removeForward(const std::string& domain, const std::string& mailname,
                                    const std::string& address) {
    dotQMail(domain, mailname).removeRedirect(address);
}

void MailnameManager::enableDelivery(const std::string& domain, const std::string& mailname) {
    dotQMail(domain, mailname).enableDelivery();
}

void MailnameManager::disableDelivery(const std::string& domain, const std::string& mailname) {
    dotQMail(domain, mailname).disableDelivery();
}

}  // namespace quarn::mail::postfix
