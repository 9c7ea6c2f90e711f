// Default mailbox quotas of a domain, applied to the mailboxes that follow
// the domain default in the panel database.  Results: 1 success, 0 failure.
#ifndef QUARN_MAIL_LIB_QUOTA_MAILDIRPP_GROUP_QUOTA_H
#define QUARN_MAIL_LIB_QUOTA_MAILDIRPP_GROUP_QUOTA_H

#include "mail/lib/quota/quota_types.h"

int store_default_mbox_quota(const char* DomainName, sizequota_t quota);
int rm_default_mbox_quota(const char* DomainName);
int store_domain_quota(const char* MailDomain, sizequota_t quota);
int rm_domain_quota(const char* MailDomain);

#endif
