// The attachments directory of a mailname, "<home>/@attachments", reached
// only through the tree walk: popuser owns every name on the way.
#ifndef QUARN_MAIL_LIB_FILES_ATTACHMENTS_DIR_H
#define QUARN_MAIL_LIB_FILES_ATTACHMENTS_DIR_H

#include <string>

#include "mail/lib/tree/tree_dir.h"

namespace quarn {
namespace mail {

/// The name of the attachments directory in a mailname home.
extern const char* const ATTACHMENTS_DIR_NAME;

/// The ASCII form of `domain`. A name that cannot be converted ends the
/// program after "idn_toascii() failed: %s".
std::string attachmentsAsciiDomain(const char* domain);

/// "<mail root>/<domain>/<mailname>/@attachments", for messages.
std::string attachmentsPath(const std::string& domain, const std::string& mailname);

/// The attachments directory of mailname@domain (domain in ASCII form),
/// walked from the mail root without following a link; empty with errno.
TreeDir openAttachmentsDir(const std::string& domain, const std::string& mailname);

/// Whether `name` may name an attachment: one safe path component (not
/// empty, ".", ".." and without "/" or control characters); errno EINVAL
/// when not.
bool isAttachmentName(const char* name);

}  // namespace mail
}  // namespace quarn

#endif
