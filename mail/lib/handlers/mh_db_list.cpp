#include "mail/lib/handlers/mh_db_list.h"

#include "lib/errors/log.h"
#include "mail/lib/handlers/mh_db_change.h"
#include "mail/lib/handlers/mh_query.h"

using quarn::MhList;
using quarn::MhQuery;
using quarn::MhRecord;
using quarn::MhSession;

namespace {

const char* const SELECT_BY_ADDRESS =
    "SELECT priority, type, queue, name, address, executable, context, enabled FROM handlers "
    "WHERE address LIKE '%' || ? || '%'";

const char* columnText(sqlite3_stmt* row, int column) {
    return reinterpret_cast<const char*>(sqlite3_column_text(row, column));
}

}  // namespace

namespace quarn {

int mhReadRow(sqlite3_stmt* row, const MhColumns& columns, mh_t* record) {
    record->priority = sqlite3_column_int(row, 0);
    record->type = sqlite3_column_int(row, 1);
    record->queue = sqlite3_column_int(row, 2);
    record->enabled = sqlite3_column_int(row, columns.enabled) == 1 ? 1 : 0;
    if (mh_data_set(&record->name, columnText(row, 3)) != 0 ||
        mh_data_set(&record->executable, columnText(row, columns.executable)) != 0 ||
        mh_data_set(&record->context, columnText(row, columns.context)) != 0)
        return -1;
    return 0;
}

}  // namespace quarn

int mh_db_select_by_name(sqlite3* db, mh_list_t* list, const char* text) {
    MhSession session(db);
    if (!session.get())
        return -1;
    MhQuery query(session.get(), SELECT_BY_ADDRESS, "SELECT");
    if (!query.ok() || !query.bindText(1, "address", text))
        return -1;
    int rc;
    while ((rc = query.step()) == SQLITE_ROW) {
        MhRecord record;
        if (quarn::mhReadRow(query.get(), {5, 6, 7}, &record) != 0 ||
            mh_data_set(&record.address, columnText(query.get(), 4)) != 0 ||
            mh_list_add(list, &record) != 0) {
            quarn_log(3, "Unable to save the data from SELECT query");
            return -1;
        }
    }
    if (rc != SQLITE_DONE) {
        quarn_log(3, "Unable to select data from handlers database: %s", query.error());
        return -1;
    }
    return 0;
}

int mh_db_do(mh_list_t* list, sqlite3* db, mh_db_op_t operation) {
    MhSession session(db);
    if (!session.get())
        return -1;
    // IMMEDIATE takes the write lock at once: two deferred transactions that
    // both read before writing would wait for each other forever.
    if (quarn::sqliteExec(session.get(), "BEGIN IMMEDIATE TRANSACTION;") != SQLITE_OK) {
        quarn_log(3, "Unable to begin sqlite transaction: %s", sqlite3_errmsg(session.get()));
        return -1;
    }
    for (mh_list_entry_t* entry = list->head; entry; entry = entry->next)
        operation(session.get(), entry->data);  // each logs its own failure
    if (quarn::sqliteExec(session.get(), "END TRANSACTION;") != SQLITE_OK) {
        quarn_log(3, "Unable to end sqlite transaction: %s", sqlite3_errmsg(session.get()));
        sqlite3_exec(session.get(), "ROLLBACK;", nullptr, nullptr, nullptr);
        return -1;
    }
    return 0;
}

int mh_db_remove_all(sqlite3* db, const char* text) {
    MhSession session(db, "Unable to open database(readonly) %s: %s");
    if (!session.get())
        return -1;
    MhList list;
    if (mh_db_select_by_name(session.get(), &list, text) != 0) {
        quarn_log(3, "Get handlers list");
        return -1;
    }
    session.closeOwn();
    if (mh_db_do(&list, db, mh_db_remove) != 0) {
        quarn_log(3, "Unable to add records into handlers database");
        return -1;
    }
    return 0;
}

int mh_db_switch_by_addr(sqlite3* db, const char* text, int enabled) {
    MhSession session(db);
    if (!session.get())
        return -1;
    MhList list;
    if (mh_db_select_by_name(session.get(), &list, text) != 0) {
        quarn_log(3, "Unable to select mail handlers");
        return -1;
    }
    if (mh_db_do(&list, session.get(), enabled == 1 ? mh_db_enable : mh_db_disable) != 0)
        return -1;
    return quarn::mhRunChange(
        session.get(), "UPDATE OR REPLACE handlers SET enabled=? WHERE address=?", "UPDATE",
        &enabled, "address", text, "Unable to execute update record into handlers database: %s");
}
