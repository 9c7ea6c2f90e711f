// Mail domains in the Postfix lookup tables and on disk: activation, the
// standard addresses, catch-all and bounce records, domain aliases.
#ifndef QUARN_MAIL_POSTFIX_ACCOUNTS_DOMAIN_MANAGER_H
#define QUARN_MAIL_POSTFIX_ACCOUNTS_DOMAIN_MANAGER_H

#include <cstdint>
#include <string>
#include <vector>

#include "mail/lib/storage/on_removal.h"
#include "mail/postfix/tables/batch_database_helper.h"

namespace quarn::mail::postfix {

/// Names are already in their ASCII form. The forms without a batch build a
/// one-shot one; every change reaches its table at once, so a failure part
/// way leaves the earlier changes in place. Domain aliases, mailnames and
/// mail aliases come from the panel database.
class DomainManager {
public:
    using NameList = std::vector<std::string>;

    /// The domain root, then the records; stale records of an earlier
    /// domain alias of the same name are cleared first.
    static void createDomain(const std::string& domain, bool disabled);
    static void createDomain(const std::string& domain, int64_t quota, bool disabled);
    /// The standard addresses, then unless `disabled` the activation.
    static void createDomainRecord(BatchDatabaseHelper& batch, const std::string& domain,
                                   bool disabled);
    /// Deactivates, deals with the directories as `mode` says, then drops
    /// every virtual and vmailbox record of the domain.
    static void removeDomain(const std::string& domain, OnRemoval mode);

    static void enableDomain(const std::string& domain);
    static void enableDomain(BatchDatabaseHelper& batch, const std::string& domain);
    static void disableDomain(const std::string& domain);

    static void createStandardDomainAddresses(const std::string& domain);
    static void createStandardDomainAddresses(BatchDatabaseHelper& batch,
                                              const std::string& domain);
    static void removeStandardDomainAddresses(const std::string& domain);
    static void removeStandardDomainAddresses(BatchDatabaseHelper& batch,
                                              const std::string& domain);

    /// For the domain and each of its aliases.
    static void createCatchall(const std::string& domain, const std::string& target);
    static void createCatchall(BatchDatabaseHelper& batch, const std::string& domain,
                               const std::string& target);
    static void createCatchallFor(BatchDatabaseHelper& batch, const NameList& domains,
                                  const std::string& target);
    /// Also the way to reject unknown local parts: no "@" record is left.
    static void removeCatchall(const std::string& domain);
    static void removeCatchall(BatchDatabaseHelper& batch, const std::string& domain);

    /// Unknown local parts are answered by the bounce program with `text`.
    static void setBounce(const std::string& domain, const std::string& text);
    static void setBounce(BatchDatabaseHelper& batch, const std::string& domain,
                          const std::string& text);
    static void setBounceFor(BatchDatabaseHelper& batch, const NameList& domains,
                             const std::string& text);
    /// The aliases value that runs the bounce program with `text`.
    static std::string bounceCommand(const std::string& text);

    /// Every mailname and mail alias of `domain` seen through `alias`.
    static void createDomainAlias(const std::string& domain, const std::string& alias);
    static void createDomainAlias(BatchDatabaseHelper& batch, const std::string& domain,
                                  const std::string& alias);
    static void removeDomainAlias(const std::string& alias);
    /// Moves every virtual name of the old alias to the new one; the host's
    /// own records make way for, or come back after, the alias.
    static void renameDomainAlias(const std::string& oldAlias, const std::string& newAlias);
    static void removeDomainReferences(const std::string& domain, bool withSubdomains);

    /// The local parts every domain answers for.
    static const NameList& standardAddresses();
};

}  // namespace quarn::mail::postfix

#endif
