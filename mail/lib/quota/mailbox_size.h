// Total size of a mailbox: its Maildir usage plus its attachments store.
#ifndef QUARN_MAIL_LIB_QUOTA_MAILBOX_SIZE_H
#define QUARN_MAIL_LIB_QUOTA_MAILBOX_SIZE_H

#include "mail/lib/quota/quota_types.h"

/// Bytes; a failure ends the process with status 1 after a message.
sizequota_t get_mbox_size(const char* MailName, const char* DomainName, int in_blocks);

#endif
