// The mail directories on disk: domain roots, mailname homes with their
// Maildir trees, and the quota files of the mailboxes.
#ifndef QUARN_MAIL_LIB_STORAGE_MAILDIR_MANAGER_H
#define QUARN_MAIL_LIB_STORAGE_MAILDIR_MANAGER_H

#include <boost/filesystem/path.hpp>

#include <cstdint>
#include <string>

namespace quarn {
namespace mail {

class MaildirPPManager;

/// Paths under the mail root (QUARN_MAILNAMES_D, read anew on every call) and
/// the directory work on them, all owned by popuser. Every operation throws
/// on failure (FSError, SystemError or the filesystem library's error).
class MaildirManager {
public:
    typedef boost::filesystem::path path;

    /// The one instance, after init().
    static MaildirPPManager& getInstance();
    /// Looks popuser up again; absent: SystemError "user popuser not found".
    void init();

    path getDomainRoot(const std::string& domain) const;
    path getDomainRelativeRoot(const std::string& domain) const;
    path getMailnameHome(const std::string& domain, const std::string& mailname) const;
    path getMailnameRelativeHome(const std::string& domain, const std::string& mailname) const;
    path getMailnameMaildir(const std::string& domain, const std::string& mailname) const;
    path getMailnameRelativeMaildir(const std::string& domain, const std::string& mailname) const;

    /// Mode 0750; an existing root gets owner and mode again.
    void createDomainRoot(const std::string& domain);
    /// The home (0700) with its Maildir tree and @attachments; a failure
    /// after the home exists removes the whole home tree.
    void createMailnameHome(const std::string& domain, const std::string& mailname);
    void renameDomainRoot(const std::string& oldDomain, const std::string& newDomain);
    void renameMailnameHome(const std::string& domain, const std::string& oldMailname,
                            const std::string& newMailname);
    void removeMailnameHome(const std::string& domain, const std::string& mailname);
    /// The backup path, empty when there was nothing to back up.
    path backupMailnameHome(const std::string& domain, const std::string& mailname);
    path backupDomainRoot(const std::string& domain);
    /// Moves the root aside and deletes it; in place when it cannot be moved.
    void removeDomainRoot(const std::string& domain);

    uint32_t uid() const noexcept { return uid_; }
    uint32_t gid() const noexcept { return gid_; }

protected:
    MaildirManager() = default;

private:
    uint32_t uid_ = 0;
    uint32_t gid_ = 0;
};

/// The quota operations on top; the file work is that of the quota library.
class MaildirPPManager : public MaildirManager {
public:
    static MaildirPPManager& getInstance();

    void setDomainQuota(const std::string& domain, int64_t quota);
    void removeDomainQuota(const std::string& domain);
    void setDefaultMailboxQuota(const std::string& domain, int64_t quota);
    void removeDefaultMailboxQuota(const std::string& domain);
    /// Back to the domain's default quota.
    void removeMailboxQuota(const std::string& domain, const std::string& mailname);
    /// Negative: no limit. The attachments store counts against the quota.
    void setMailboxQuota(const std::string& domain, const std::string& mailname, int64_t quota);

private:
    friend class MaildirManager;
    MaildirPPManager() = default;
};

}  // namespace mail
}  // namespace quarn

#endif
