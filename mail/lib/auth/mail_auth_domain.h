// Domain rows of the mail-authentication database.
#ifndef QUARN_MAIL_LIB_AUTH_MAIL_AUTH_DOMAIN_H
#define QUARN_MAIL_LIB_AUTH_MAIL_AUTH_DOMAIN_H

#include "mail/lib/auth/mail_auth_types.h"

#include <sqlite3.h>

/// The id of the domain row; a missing row is created (status 1 when
/// `flags` is non-zero) unless `flags` has MAIL_AUTH_DO_NOT_CHANGE. -1 when
/// absent and not created, or on error.
int getDomainId(const char* domain, sqlite3* db, int flags);

namespace quarn {

/// getDomainId telling absence from failure: 0 with `id` set, 1 absent
/// (not created), -1 error (logged).
int findDomainId(const char* domain, sqlite3* db, int flags, int* id);

}  // namespace quarn

int mailAuthDisableDomain(const char* domain);
int mailAuthEnableDomain(const char* domain);
int mailAuthRenameDomain(const char* oldDomain, const char* newDomain);
/// Removes the domain row; the trigger removes its users.
int mailAuthRemoveDomain(const char* domain);

#endif
