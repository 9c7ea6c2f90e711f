#include "mail/lib/quota/mailbox_size.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "lib/names/idn.h"
#include "lib/errors/log.h"
#include "lib/util/malloc_string.h"
#include "lib/names/name_rules.h"
#include "lib/panel/vel_conf.h"
#include "mail/lib/quota/get_dir_size.h"
#include "mail/lib/quota/maildirpp_usage.h"

namespace {

const size_t PATH_BUFFER = 4096;

// The home with a trailing "/" into `home`; the process ends when it
// cannot be formed.
void mailboxHome(const char* MailName, const char* DomainName, char (&home)[PATH_BUFFER]) {
    quarn::MallocString ascii(idn_toascii(DomainName));
    if (!ascii) {
        errno = 0;
        messlog2(1, 0, "idn_toascii() failed: %s", idn_strerror(idn_errno));
    }
    if (!quarn::isSafePathComponent(ascii.get()) || !quarn::isSafePathComponent(MailName)) {
        errno = EINVAL;
        messlog2(1, 0, "invalid mailbox name %s@%s", MailName, DomainName);
    }
    const char* root = velConfGetDefaultByIndex(QUARN_MAILNAMES_D);
    int n = std::snprintf(home, sizeof home, "%s/%s/%s/", root, ascii.get(), MailName);
    if (n < 0 || static_cast<size_t>(n) >= sizeof home - 1) {
        errno = ENAMETOOLONG;
        messlog2(1, 0, "user mailbox path is too long");
    }
}

}  // namespace

sizequota_t get_mbox_size(const char* MailName, const char* DomainName, int in_blocks) {
    char home[PATH_BUFFER];
    mailboxHome(MailName, DomainName, home);
    // The home is shorter than PATH_BUFFER - 1, so either name fits.
    char path[PATH_BUFFER + sizeof "@attachments"];
    std::snprintf(path, sizeof path, "%s@attachments", home);
    sizequota_t attachments = get_dir_size(path, in_blocks);
    if (attachments < 0)
        attachments = 0;
    std::snprintf(path, sizeof path, "%sMaildir", home);
    sizequota_t usage;
    fcount_t count;
    if (!get_maildirpp_usage(path, &usage, &count)) {
        int error = errno;
        messlog2(1, 0, "Unable to calculate Maildir++ size: %s", std::strerror(error));
    }
    return attachments + usage;
}
