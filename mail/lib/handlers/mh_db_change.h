// Adding, removing and switching single handlers and groups of them.
#ifndef QUARN_MAIL_LIB_HANDLERS_MH_DB_CHANGE_H
#define QUARN_MAIL_LIB_HANDLERS_MH_DB_CHANGE_H

#include "mail/lib/handlers/mh_record.h"

#include <sqlite3.h>

/// Every function takes an open connection, or null to open the database
/// for the call; 0 on success, -1 on failure (logged).

/// Inserts or replaces one handler.
int mh_db_add(sqlite3* db, mh_t* record);
/// Deletes the handler of the record's name, type, hook and (unless global
/// or without one) address; a global one goes for every address.
int mh_db_remove(sqlite3* db, mh_t* record);
int mh_db_remove_addr(sqlite3* db, const char* address);
int mh_db_remove_name(sqlite3* db, const char* name);
/// Sets `enabled` of the handler given as in mh_db_remove.
int mh_db_switch(sqlite3* db, mh_t* record, int enabled);
int mh_db_enable(sqlite3* db, mh_t* record);
int mh_db_disable(sqlite3* db, mh_t* record);
int mh_db_switch_by_name(sqlite3* db, const char* name, int enabled);

/// The address to store for a global handler: "all" for none, "all" and
/// "all-recipients" as they are; null (logged) for anything else.
const char* validate_global_handler_recipient(const char* address);

#endif
