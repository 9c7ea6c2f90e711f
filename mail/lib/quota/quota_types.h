// Byte and message counts of Maildir++ quotas.
#ifndef QUARN_MAIL_LIB_QUOTA_QUOTA_TYPES_H
#define QUARN_MAIL_LIB_QUOTA_QUOTA_TYPES_H

#include <stdint.h>
#include <sys/types.h>

/// Bytes; a negative request means "no limit".
typedef off_t sizequota_t;
/// Messages.
typedef uint64_t fcount_t;

#endif
