// Handlers selected by a piece of their address, and operations applied to
// a whole list of records in one transaction.
#ifndef QUARN_MAIL_LIB_HANDLERS_MH_DB_LIST_H
#define QUARN_MAIL_LIB_HANDLERS_MH_DB_LIST_H

#include "mail/lib/handlers/mh_record.h"

#include <sqlite3.h>

/// A record operation of the database (mh_db_add, mh_db_remove, ...).
using mh_db_op_t = int (*)(sqlite3* db, mh_t* record);

/// Appends every handler whose address contains `text` (SQL LIKE). 0 or -1.
int mh_db_select_by_name(sqlite3* db, mh_list_t* list, const char* text);
/// Applies `operation` to every record in one transaction; a failing record
/// does not stop the others. 0, or -1 when the transaction fails.
int mh_db_do(mh_list_t* list, sqlite3* db, mh_db_op_t operation);
/// Removes every handler whose address contains `text`.
int mh_db_remove_all(sqlite3* db, const char* text);
/// Switches every handler whose address contains or equals `text`.
int mh_db_switch_by_addr(sqlite3* db, const char* text, int enabled);

namespace quarn {

/// A record of the selection columns priority, type, queue, name, then
/// `address` (or the address column when null), executable, context,
/// enabled at the given columns.
struct MhColumns {
    int executable, context, enabled;
};
/// Reads the fixed columns of a row into `record`. 0, or -1 without memory.
int mhReadRow(sqlite3_stmt* row, const MhColumns& columns, mh_t* record);

}  // namespace quarn

#endif
