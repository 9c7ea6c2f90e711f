// The host's own records in the virtual table while a domain alias is
// renamed to or from the host's name, put back when the rename fails.
#ifndef QUARN_MAIL_POSTFIX_ACCOUNTS_HOSTNAME_RENAME_GUARD_H
#define QUARN_MAIL_POSTFIX_ACCOUNTS_HOSTNAME_RENAME_GUARD_H

#include <string>

namespace quarn::mail::postfix {

/// The host has a marker record and standard addresses in virtual, which a
/// domain alias of the same name would collide with.
class safeDomainFromToHostnameRenamer {
public:
    safeDomainFromToHostnameRenamer();
    safeDomainFromToHostnameRenamer(const safeDomainFromToHostnameRenamer&) = delete;
    safeDomainFromToHostnameRenamer& operator=(const safeDomainFromToHostnameRenamer&) = delete;
    /// While an exception passes, undoes what the two steps did; a failure
    /// of the undo is reported, never thrown.
    ~safeDomainFromToHostnameRenamer();

    /// When `newAlias` is the host name: the host's records go.
    void beforeRename(const std::string& newAlias);
    /// When `oldAlias` was the host name: the host's records come back.
    void afterRename(const std::string& oldAlias);

    const std::string& hostName() const noexcept { return hostName_; }

private:
    bool isHostName(const std::string& name) const;
    void removeHostRecords() const;
    void addHostRecords() const;

    std::string hostName_;
    bool renamedToHostname = false;
    bool renamedFromHostname = false;
    int uncaught_;
};

}  // namespace quarn::mail::postfix

#endif
