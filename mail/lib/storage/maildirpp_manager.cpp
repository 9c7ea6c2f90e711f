// The quota operations of the mail storage, over the quota library's files.
#include "mail/lib/storage/maildir_manager.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "lib/util/working_dir_guard.h"
#include "mail/lib/storage/fs_error.h"
#include "mail/lib/quota/get_dir_size.h"
#include "mail/lib/quota/maildirpp_group_quota.h"
#include "mail/lib/quota/maildirpp_quota.h"
#include "mail/lib/tree/mail_root.h"

namespace quarn {
namespace mail {

namespace {

const char* const ATTACHMENTS = "@attachments";

/// Bytes of the attachments store of the current directory's home, 0
/// without one.
// A store that cannot be measured counts as empty, as it does for the
// mailbox size: the mailbox keeps the limit it was asked for.
int64_t attachmentsSize() {
    struct stat st;
    if (lstat(ATTACHMENTS, &st) != 0 || !S_ISDIR(st.st_mode))
        return 0;
    sizequota_t size = get_dir_size(ATTACHMENTS, 0);
    return size < 0 ? 0 : size;
}

/// The size limit of maildirsize for `quota`: what the attachments leave.
int64_t effectiveQuota(int64_t quota) {
    if (quota < 0)
        return 0;  // no limit
    int64_t attachments = attachmentsSize();
    if (quota < attachments) {
        std::fputs("WARNING: @attachments directory is big enough to disable delivery!\n", stderr);
        return 1;
    }
    // 0 in the file means no limit; a mailbox with no room left gets 1 byte.
    return quota - attachments == 0 ? 1 : quota - attachments;
}

}  // namespace

void MaildirPPManager::setDomainQuota(const std::string& domain, int64_t quota) {
    if (!store_domain_quota(domain.c_str(), quota))
        throw FSError("unable to store domain quota", getDomainRoot(domain), 0);
}

void MaildirPPManager::removeDomainQuota(const std::string& domain) {
    if (!rm_domain_quota(domain.c_str()))
        throw FSError("unable to remove domain quota", getDomainRoot(domain), 0);
}

void MaildirPPManager::setDefaultMailboxQuota(const std::string& domain, int64_t quota) {
    if (!store_default_mbox_quota(domain.c_str(), quota))
        throw FSError("unable to store default mbox quota", getDomainRoot(domain), 0);
}

void MaildirPPManager::removeDefaultMailboxQuota(const std::string& domain) {
    if (!rm_default_mbox_quota(domain.c_str()))
        throw FSError("unable to remove default mbox quota", getDomainRoot(domain), 0);
}

void MaildirPPManager::removeMailboxQuota(const std::string& domain, const std::string& mailname) {
    if (!rm_mbox_quota(domain.c_str(), mailname.c_str()))
        throw FSError("unable to remove quota", getMailnameHome(domain, mailname), 0);
}

void MaildirPPManager::setMailboxQuota(const std::string& domain, const std::string& mailname,
                                       int64_t quota) {
    const path home = getMailnameHome(domain, mailname);
    WorkingDirGuard cwd;
    if (!cwd.ok())
        throw FSError("getcwd", errno);
    // The home is entered by descriptor, walked without following links;
    // all below works on names relative to it.
    TreeDir dir = openMailnameHome(domain, mailname);
    if (!dir.ok() || dir.changeInto() != 0)
        throw FSError("chdir", home, errno);
    if (!write_maildirpp_maildirsize("Maildir", uid(), gid(), effectiveQuota(quota), 0))
        throw FSError("create maildirsize", getMailnameMaildir(domain, mailname), 0);
    const std::string back = cwd.path();
    if (cwd.restore() != 0)
        throw FSError("chdir", back, errno);
}

}  // namespace mail
}  // namespace quarn
