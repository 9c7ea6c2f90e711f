// Writing the maildirsize file of one mailbox.  Results: 1 success, 0 failure
// (errno set, message logged).
#ifndef QUARN_MAIL_LIB_QUOTA_MAILDIRPP_QUOTA_H
#define QUARN_MAIL_LIB_QUOTA_MAILDIRPP_QUOTA_H

#include <sys/types.h>

#include "mail/lib/quota/quota_types.h"

/// A fresh maildirsize in `maildir` with limits `sq` bytes and `cq` messages
/// and the usage found by scanning, owned by `owner`:`group`.
int write_maildirpp_maildirsize(const char* maildir, uid_t owner, gid_t group,
                                sizequota_t sq, fcount_t cq);
/// `quota` normalised (negative: 0, 0: 1), owned by popuser, no count limit.
int store_maildirpp_quota_raw(const char* maildir, sizequota_t quota);
/// The quota of the mailbox MailName@MailDomain, less its attachments.
int store_mbox_quota(const char* MailDomain, const char* MailName, sizequota_t quota);
/// The mailbox back on its domain's default quota from the panel database.
int rm_mbox_quota(const char* MailDomain, const char* MailName);

#endif
