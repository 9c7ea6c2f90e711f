// Reading a master.cf-format file into a MasterCfContent and replacing it
// atomically with a changed content.
#ifndef QUARN_MAIL_POSTFIX_CONFIG_MASTER_CF_FILE_H
#define QUARN_MAIL_POSTFIX_CONFIG_MASTER_CF_FILE_H

#include <string>

#include "mail/postfix/config/master_cf_content.h"

namespace quarn::mail::postfix {

/// Parses the file at `path` into the empty `content` through a read-only
/// memory map. PostfixConfigurationError "unable to open <path>" or
/// "unable to parse <path>".
void loadMasterCf(const std::string& path, MasterCfContent& content);

/// Takes the table lock of `path` and writes `content` there with
/// writeMasterCf().
void storeMasterCf(const std::string& path, const MasterCfContent& content);

/// Replaces the file at `path` by `content`, for a caller that holds the
/// lock of `path`: a temporary file beside it gets the text, the owner and
/// mode of the file it replaces (0644 and the caller's owner for a new
/// file), is synced and renamed over it. On failure the file is unchanged
/// and the temporary file is gone.
void writeMasterCf(const std::string& path, const MasterCfContent& content);

}  // namespace quarn::mail::postfix

#endif
