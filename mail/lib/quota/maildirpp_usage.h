// Reading the usage and limits of a Maildir++ mailbox.  Results: 1 success,
// 0 failure, except check_maildirpp_overquota.
#ifndef QUARN_MAIL_LIB_QUOTA_MAILDIRPP_USAGE_H
#define QUARN_MAIL_LIB_QUOTA_MAILDIRPP_USAGE_H

#include <time.h>

#include "mail/lib/quota/quota_types.h"

/// Raises `*mtime` to the newest modification time of dir/cur and dir/new.
int get_maildirpp_folder_mtime(const char* dir, time_t* mtime);
/// Scans the Maildir that is the current directory.
int get_maildirpp_messages_usage(sizequota_t* size, fcount_t* count, time_t* mtime);
int get_maildirpp_usage_and_limits(const char* maildir, int no_recalc,
                                   sizequota_t* size, fcount_t* count,
                                   sizequota_t* size_limit, fcount_t* count_limit);
int get_maildirpp_usage(const char* maildir, sizequota_t* size, fcount_t* count);
/// 1 when adding the differences would exceed a limit, else 0.
int check_maildirpp_overquota(const char* maildir, sizequota_t size_diff,
                              long long count_diff);

#endif
