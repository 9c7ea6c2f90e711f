#include "mail/lib/files/attachments_dir.h"

#include <cerrno>
#include <cstdlib>
#include <memory>

#include "lib/errors/log.h"
#include "lib/names/idn.h"
#include "lib/names/name_rules.h"
#include "mail/lib/tree/mail_root.h"

namespace quarn {
namespace mail {

const char* const ATTACHMENTS_DIR_NAME = "@attachments";

std::string attachmentsAsciiDomain(const char* domain) {
    std::unique_ptr<char, decltype(&std::free)> ascii(idn_toascii(domain), &std::free);
    if (!ascii) {
        errno = 0;
        messlog2(1, 0, "idn_toascii() failed: %s", idn_strerror(idn_errno));
        std::exit(1);  // messlog2 with status 1 does not come back
    }
    return ascii.get();
}

std::string attachmentsPath(const std::string& domain, const std::string& mailname) {
    return mailRootPath() + "/" + domain + "/" + mailname + "/" + ATTACHMENTS_DIR_NAME;
}

TreeDir openAttachmentsDir(const std::string& domain, const std::string& mailname) {
    TreeDir home = openMailnameHome(domain, mailname);
    return home.ok() ? home.child(ATTACHMENTS_DIR_NAME) : TreeDir();
}

bool isAttachmentName(const char* name) {
    if (name && isSafePathComponent(name))
        return true;
    errno = EINVAL;
    return false;
}

}  // namespace mail
}  // namespace quarn
