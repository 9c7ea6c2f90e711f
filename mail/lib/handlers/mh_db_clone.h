// Copying the handlers of a mailname, or of a whole domain, to another
// address or domain.
#ifndef QUARN_MAIL_LIB_HANDLERS_MH_DB_CLONE_H
#define QUARN_MAIL_LIB_HANDLERS_MH_DB_CLONE_H

#include <sqlite3.h>

/// With a mailname: the handlers of mailname@sourceDomain go to
/// newMailname (or mailname)@targetDomain. Without: those of every address
/// containing sourceDomain go to the same mailname at targetDomain, and the
/// domain's own ones to targetDomain. 0 or -1.
int mh_db_clone(sqlite3* db, const char* mailname, const char* sourceDomain,
                const char* newMailname, const char* targetDomain);

#endif
