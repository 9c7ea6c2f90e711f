// The Postfix records of one mailbox and of its mail aliases, and the
// mailbox's directory, quota and .qmail file on disk.
#ifndef QUARN_MAIL_POSTFIX_ACCOUNTS_MAILNAME_MANAGER_H
#define QUARN_MAIL_POSTFIX_ACCOUNTS_MAILNAME_MANAGER_H

#include <cstdint>
#include <string>

#include "mail/lib/storage/on_removal.h"
#include "mail/postfix/tables/batch_database_helper.h"

namespace quarn::mail::postfix {

/// Domain first, mailname second, both already checked and the domain in
/// its ASCII form. The domain aliases come from the panel database. The
/// forms without a batch build a one-shot one; every change reaches its
/// table at once, so only renameMailname puts anything back on failure.
class MailnameManager {
public:
    /// The home with its Maildir tree, a .qmail that delivers nothing, the
    /// mailbox quota (negative: no limit), then the records.
    static void createMailname(const std::string& domain, const std::string& mailname,
                               int64_t quota);
    /// The same with the domain's default mailbox quota.
    static void createMailname(const std::string& domain, const std::string& mailname);
    /// vmailbox M@D -> D/M/Maildir/; virtual M@D and M@A -> M@D.
    static void createMailnameRecord(BatchDatabaseHelper& batch, const std::string& domain,
                                     const std::string& mailname);

    /// virtual L@D and L@A -> M@D.
    static void createMailAlias(const std::string& domain, const std::string& mailname,
                                const std::string& alias);
    static void createMailAlias(BatchDatabaseHelper& batch, const std::string& domain,
                                const std::string& mailname, const std::string& alias);
    /// The keys L@D and L@A go from virtual.
    static void removeMailAlias(const std::string& domain, const std::string& mailname,
                                const std::string& alias);

    /// The mailbox's own records go, then the home as `mode` says; the
    /// records of its mail aliases stay.
    static void removeMailname(const std::string& domain, const std::string& mailname,
                               OnRemoval mode);
    /// Records, then the home; a failure after the vmailbox rewrite puts
    /// the tables back as they were before the error goes on.
    static void renameMailname(const std::string& domain, const std::string& oldMailname,
                               const std::string& newMailname);

    /// A redirect line in .qmail, last; the address is converted to ASCII.
    static void addForward(const std::string& domain, const std::string& mailname,
                           const std::string& address);
    static void removeForward(const std::string& domain, const std::string& mailname,
                              const std::string& address);
    /// Mail for the mailname goes into its Maildir through deliverquota.
    static void enableDelivery(const std::string& domain, const std::string& mailname);
    static void disableDelivery(const std::string& domain, const std::string& mailname);
};

}  // namespace quarn::mail::postfix

#endif
