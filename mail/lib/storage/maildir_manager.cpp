#include "mail/lib/storage/maildir_manager.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <boost/filesystem/operations.hpp>

#include <cerrno>

#include "lib/util/eintr.h"
#include "lib/errors/errors.h"
#include "lib/util/fd_owner.h"
#include "lib/util/umask_guard.h"
#include "lib/panel/vel_conf.h"
#include "mail/lib/storage/backup_rename.h"
#include "mail/lib/storage/fs_error.h"

namespace fs = boost::filesystem;

namespace quarn {
namespace mail {

namespace {

const char* const DEFAULT_MAIL_ROOT = "/var/qmail/mailnames";

/// The Maildir tree of a mailname home, parents before children.
const char* const HOME_SUBDIRECTORIES[] = {
    "Maildir",       "Maildir/tmp",       "Maildir/new",       "Maildir/cur",
    "Maildir/.Spam", "Maildir/.Spam/tmp", "Maildir/.Spam/new", "Maildir/.Spam/cur",
    "@attachments",
};

/// The mail root of the panel's configuration, looked up on every call.
fs::path mailRoot() {
    const char* root = velConfGetDefaultByIndex(QUARN_MAILNAMES_D);
    return fs::path(root ? root : DEFAULT_MAIL_ROOT);
}

/// Gives the directory `path` to uid:gid with `mode`.
// The homes lie in directories that popuser can write to, so a name may
// have been swapped for a symbolic link: the directory is opened without
// following links and changed through its descriptor, never by name.
void setOwnerAndMode(const fs::path& path, uid_t uid, gid_t gid, mode_t mode) {
    int fd = process::openDescriptor(path.c_str(),
                                     O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        throw FSError("chown", path, errno);
    process::FdOwner dir = process::FdOwner::adopt(fd);
    if (retryOnEintr([&] { return fchown(dir.get(), uid, gid); }) != 0)
        throw FSError("chown", path, errno);
    if (retryOnEintr([&] { return fchmod(dir.get(), mode); }) != 0)
        throw FSError("chmod", path, errno);
}

}  // namespace

MaildirPPManager& MaildirManager::getInstance() {
    return MaildirPPManager::getInstance();
}

MaildirPPManager& MaildirPPManager::getInstance() {
    static MaildirPPManager instance;
    instance.init();
    return instance;
}

void MaildirManager::init() {
    errno = 0;
    const struct passwd* pw = getpwnam("popuser");
    if (pw == nullptr)
        throw SystemError("user popuser not found", errno);
    uid_ = pw->pw_uid;
    gid_ = pw->pw_gid;
}

MaildirManager::path MaildirManager::getDomainRoot(const std::string& domain) const {
    return mailRoot() / getDomainRelativeRoot(domain);
}

MaildirManager::path MaildirManager::getDomainRelativeRoot(const std::string& domain) const {
    return path(domain);
}

MaildirManager::path MaildirManager::getMailnameHome(const std::string& domain,
                                                     const std::string& mailname) const {
    return mailRoot() / getMailnameRelativeHome(domain, mailname);
}

MaildirManager::path MaildirManager::getMailnameRelativeHome(const std::string& domain,
                                                             const std::string& mailname) const {
    return getDomainRelativeRoot(domain) / mailname;
}

MaildirManager::path MaildirManager::getMailnameMaildir(const std::string& domain,
                                                        const std::string& mailname) const {
    return mailRoot() / getMailnameRelativeMaildir(domain, mailname);
}

MaildirManager::path MaildirManager::getMailnameRelativeMaildir(
    const std::string& domain, const std::string& mailname) const {
    return getMailnameRelativeHome(domain, mailname) / "Maildir";
}

void MaildirManager::createDomainRoot(const std::string& domain) {
    const path root = getDomainRoot(domain);
    UmaskGuard umask(077);
    fs::create_directories(root);
    setOwnerAndMode(root, uid_, gid_, 0750);
}

void MaildirManager::createMailnameHome(const std::string& domain, const std::string& mailname) {
    const path home = getMailnameHome(domain, mailname);
    UmaskGuard umask(077);
    fs::create_directories(home);
    try {
        setOwnerAndMode(home, uid_, gid_, 0700);
        for (const char* name : HOME_SUBDIRECTORIES) {
            const path sub = home / name;
            fs::create_directory(sub);
            setOwnerAndMode(sub, uid_, gid_, 0700);
        }
    } catch (...) {
        // Half a home is worse than none: the next attempt starts clean.
        int saved = errno;
        boost::system::error_code ignored;
        fs::remove_all(home, ignored);
        errno = saved;
        throw;
    }
}

void MaildirManager::renameDomainRoot(const std::string& oldDomain, const std::string& newDomain) {
    fs::rename(getDomainRoot(oldDomain), getDomainRoot(newDomain));
}

void MaildirManager::renameMailnameHome(const std::string& domain, const std::string& oldMailname,
                                        const std::string& newMailname) {
    fs::rename(getMailnameHome(domain, oldMailname), getMailnameHome(domain, newMailname));
}

void MaildirManager::removeMailnameHome(const std::string& domain, const std::string& mailname) {
    fs::remove_all(getMailnameHome(domain, mailname));
}

MaildirManager::path MaildirManager::backupMailnameHome(const std::string& domain,
                                                        const std::string& mailname) {
    const path home = getMailnameHome(domain, mailname);
    path backup;
    if (!backupRename(home, backup))
        throw FSError("rename", home, backup, errno);
    return backup;
}

MaildirManager::path MaildirManager::backupDomainRoot(const std::string& domain) {
    const path root = getDomainRoot(domain);
    path backup;
    if (!backupRename(root, backup))
        throw FSError("rename", root, backup, errno);
    return backup;
}

void MaildirManager::removeDomainRoot(const std::string& domain) {
    // Moving the root aside first takes the whole domain off its name at
    // once; a removal that stops half way then leaves no half domain behind.
    const path root = getDomainRoot(domain);
    path target = root;
    try {
        path backup;
        if (backupRename(root, backup))
            target = backup;
    } catch (const fs::filesystem_error&) {
    }
    if (!target.empty())
        fs::remove_all(target);
}

}  // namespace mail
}  // namespace quarn
