// The mail root of the panel's configuration and the directories of the
// tree below it, reached only through TreeDir.
#ifndef QUARN_MAIL_LIB_TREE_MAIL_ROOT_H
#define QUARN_MAIL_LIB_TREE_MAIL_ROOT_H

#include <string>

#include "mail/lib/tree/tree_dir.h"

namespace quarn {
namespace mail {

/// QUARN_MAILNAMES_D, read anew on every call; "/var/qmail/mailnames"
/// when it is not configured. Trailing slashes are dropped.
std::string mailRootPath();

/// The mail root; empty with errno on failure.
TreeDir openMailRoot();

/// The domain root root/domain; empty with errno (EINVAL for a domain that
/// is not one safe path component).
TreeDir openDomainRoot(const std::string& domain);

/// The home root/domain/mailname, reached the same way.
TreeDir openMailnameHome(const std::string& domain, const std::string& mailname);

}  // namespace mail
}  // namespace quarn

#endif
