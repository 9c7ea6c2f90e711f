#include "mail/lib/storage/maildir_manager.h"

#include <pwd.h>
#include <sys/stat.h>

#include <boost/filesystem/operations.hpp>

#include <cerrno>

#include "lib/errors/errors.h"
#include "lib/names/name_rules.h"
#include "lib/util/umask_guard.h"
#include "mail/lib/storage/backup_rename.h"
#include "mail/lib/storage/fs_error.h"
#include "mail/lib/tree/mail_root.h"

namespace fs = boost::filesystem;

// Everything below the mail root is reached through TreeDir: each name is
// opened without following a link and every change is made relative to a
// directory descriptor, so popuser cannot lead root out of the tree.

namespace quarn {
namespace mail {

namespace {

/// The Maildir tree of a mailname home, parents before children.
const char* const HOME_SUBDIRECTORIES[] = {
    "Maildir",       "Maildir/tmp",       "Maildir/new",       "Maildir/cur",
    "Maildir/.Spam", "Maildir/.Spam/tmp", "Maildir/.Spam/new", "Maildir/.Spam/cur",
    "@attachments",
};

/// Refuses a name that would not be one directory below its parent.
void checkName(const std::string& name, const fs::path& path) {
    if (!isSafePathComponent(name))
        throw FSError("invalid name", path, EINVAL);
}

/// The mail root; missing parents are made first (they belong to root, as
/// create_directories would make them).
TreeDir mailRootCreated() {
    const std::string path = mailRootPath();
    fs::create_directories(path);
    TreeDir root = openMailRoot();
    if (!root.ok())
        throw FSError("open", path, errno);
    return root;
}

/// The directory `name` of `parent`, made when missing (mode 0777 less the
/// umask), then opened without following a link.
TreeDir makeAndOpen(const TreeDir& parent, const std::string& name, const char* openStep) {
    if (parent.makeDir(name, 0777) != 0)
        throw FSError("mkdir", parent.pathOf(name), errno);
    TreeDir dir = parent.child(name);
    if (!dir.ok())
        throw FSError(openStep, parent.pathOf(name), errno);
    return dir;
}

/// Gives `dir` to uid:gid with `mode`, through its descriptor.
void setOwnerAndMode(const TreeDir& dir, uid_t uid, gid_t gid, mode_t mode) {
    if (dir.setOwnerAndMode(uid, gid, mode) == 0)
        return;
    int error = errno;
    struct stat st;
    bool owned = fstat(dir.fd(), &st) == 0 && st.st_uid == uid && st.st_gid == gid;
    throw FSError(owned ? "chmod" : "chown", dir.path(), error);
}

/// The subdirectories of a new home, each given to popuser with 0700.
void makeHomeTree(const TreeDir& home, uid_t uid, gid_t gid) {
    for (const char* name : HOME_SUBDIRECTORIES) {
        const fs::path sub(name);
        TreeDir parent = home.walk(sub.parent_path().string());
        if (!parent.ok())
            throw FSError("chown", home.pathOf(sub.parent_path().string()), errno);
        setOwnerAndMode(makeAndOpen(parent, sub.filename().string(), "chown"), uid, gid, 0700);
    }
}

/// The domain root of `domain`, which must exist; FSError `step` otherwise.
TreeDir domainRoot(const std::string& domain, const fs::path& path, const char* step) {
    checkName(domain, path);
    TreeDir root = openDomainRoot(domain);
    if (!root.ok())
        throw FSError(step, path, errno);
    return root;
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
    return path(mailRootPath()) / getDomainRelativeRoot(domain);
}

MaildirManager::path MaildirManager::getDomainRelativeRoot(const std::string& domain) const {
    return path(domain);
}

MaildirManager::path MaildirManager::getMailnameHome(const std::string& domain,
                                                     const std::string& mailname) const {
    return path(mailRootPath()) / getMailnameRelativeHome(domain, mailname);
}

MaildirManager::path MaildirManager::getMailnameRelativeHome(const std::string& domain,
                                                             const std::string& mailname) const {
    return getDomainRelativeRoot(domain) / mailname;
}

MaildirManager::path MaildirManager::getMailnameMaildir(const std::string& domain,
                                                        const std::string& mailname) const {
    return path(mailRootPath()) / getMailnameRelativeMaildir(domain, mailname);
}

MaildirManager::path MaildirManager::getMailnameRelativeMaildir(
    const std::string& domain, const std::string& mailname) const {
    return getMailnameRelativeHome(domain, mailname) / "Maildir";
}

void MaildirManager::createDomainRoot(const std::string& domain) {
    const path rootPath = getDomainRoot(domain);
    checkName(domain, rootPath);
    UmaskGuard umask(077);
    TreeDir root = makeAndOpen(mailRootCreated(), domain, "chown");
    setOwnerAndMode(root, uid_, gid_, 0750);
}

void MaildirManager::createMailnameHome(const std::string& domain, const std::string& mailname) {
    const path homePath = getMailnameHome(domain, mailname);
    checkName(domain, homePath);
    checkName(mailname, homePath);
    UmaskGuard umask(077);
    TreeDir root = makeAndOpen(mailRootCreated(), domain, "open");
    if (root.makeDir(mailname, 0777) != 0)
        throw FSError("mkdir", homePath, errno);
    try {
        TreeDir home = root.child(mailname);
        if (!home.ok())
            throw FSError("chown", homePath, errno);
        setOwnerAndMode(home, uid_, gid_, 0700);
        makeHomeTree(home, uid_, gid_);
    } catch (...) {
        // Half a home is worse than none: the next attempt starts clean.
        int saved = errno;
        root.removeTree(mailname);
        errno = saved;
        throw;
    }
}

void MaildirManager::renameDomainRoot(const std::string& oldDomain, const std::string& newDomain) {
    const path from = getDomainRoot(oldDomain), to = getDomainRoot(newDomain);
    checkName(oldDomain, from);
    checkName(newDomain, to);
    TreeDir root = openMailRoot();
    if (!root.ok() || root.rename(oldDomain, root, newDomain) != 0)
        throw FSError("rename", from, to, errno);
}

void MaildirManager::renameMailnameHome(const std::string& domain, const std::string& oldMailname,
                                        const std::string& newMailname) {
    const path from = getMailnameHome(domain, oldMailname);
    const path to = getMailnameHome(domain, newMailname);
    checkName(oldMailname, from);
    checkName(newMailname, to);
    TreeDir root = domainRoot(domain, from, "rename");
    if (root.rename(oldMailname, root, newMailname) != 0)
        throw FSError("rename", from, to, errno);
}

// A missing domain root leaves no home to remove, as for a missing home.
void MaildirManager::removeMailnameHome(const std::string& domain, const std::string& mailname) {
    const path home = getMailnameHome(domain, mailname);
    checkName(domain, home);
    checkName(mailname, home);
    TreeDir root = openDomainRoot(domain);
    if (!root.ok() && errno == ENOENT)
        return;
    if (!root.ok() || root.removeTree(mailname) != 0)
        throw FSError("remove_all", home, errno);
}

MaildirManager::path MaildirManager::backupMailnameHome(const std::string& domain,
                                                        const std::string& mailname) {
    const path home = getMailnameHome(domain, mailname);
    checkName(domain, home);
    checkName(mailname, home);
    TreeDir root = openDomainRoot(domain);
    if (!root.ok() && errno == ENOENT)
        return path();
    std::string backup;
    if (!root.ok() || !backupRenameAt(root, mailname, backup))
        throw FSError("rename", home, path(), errno);
    return backup.empty() ? path() : getDomainRoot(domain) / backup;
}

MaildirManager::path MaildirManager::backupDomainRoot(const std::string& domain) {
    const path rootPath = getDomainRoot(domain);
    checkName(domain, rootPath);
    TreeDir top = openMailRoot();
    std::string backup;
    if (!top.ok() || !backupRenameAt(top, domain, backup))
        throw FSError("rename", rootPath, path(), errno);
    return backup.empty() ? path() : path(mailRootPath()) / backup;
}

void MaildirManager::removeDomainRoot(const std::string& domain) {
    // Moving the root aside first takes the whole domain off its name at
    // once; a removal that stops half way then leaves no half domain behind.
    const path rootPath = getDomainRoot(domain);
    checkName(domain, rootPath);
    TreeDir top = openMailRoot();
    if (!top.ok())
        throw FSError("remove_all", rootPath, errno);
    std::string target = domain;
    try {
        std::string backup;
        if (backupRenameAt(top, domain, backup))
            target = backup;
    } catch (const fs::filesystem_error&) {
    }
    if (!target.empty() && top.removeTree(target) != 0)
        throw FSError("remove_all", top.pathOf(target), errno);
}

}  // namespace mail
}  // namespace quarn
