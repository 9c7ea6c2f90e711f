#include "mail/lib/tree/mail_root.h"

#include <cerrno>

#include "lib/panel/vel_conf.h"

namespace quarn {
namespace mail {

namespace {

const char* const DEFAULT_MAIL_ROOT = "/var/qmail/mailnames";

}  // namespace

std::string mailRootPath() {
    const char* configured = velConfGetDefaultByIndex(QUARN_MAILNAMES_D);
    std::string root = configured && *configured ? configured : DEFAULT_MAIL_ROOT;
    while (root.size() > 1 && root.back() == '/')
        root.pop_back();
    return root;
}

TreeDir openMailRoot() { return TreeDir::openTrusted(mailRootPath()); }

TreeDir openDomainRoot(const std::string& domain) {
    TreeDir root = openMailRoot();
    return root.ok() ? root.child(domain) : TreeDir();
}

TreeDir openMailnameHome(const std::string& domain, const std::string& mailname) {
    TreeDir root = openDomainRoot(domain);
    return root.ok() ? root.child(mailname) : TreeDir();
}

}  // namespace mail
}  // namespace quarn
