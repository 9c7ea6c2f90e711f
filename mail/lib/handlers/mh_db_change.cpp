#include "mail/lib/handlers/mh_db_change.h"

#include "lib/errors/log.h"
#include "mail/lib/handlers/mh_query.h"

#include <cerrno>
#include <cstring>

using quarn::MhQuery;
using quarn::MhSession;

namespace {

const char* const INSERT_HANDLER =
    "INSERT OR REPLACE INTO handlers(priority, name, type, address, queue, executable, context, "
    "enabled) VALUES(?, ?, ?, ?, ?, ?, ?, ?)";
const char* const DELETE_ONE =
    "DELETE FROM handlers WHERE name=? AND type=? AND address=? AND queue=?";
const char* const DELETE_GLOBAL = "DELETE FROM handlers WHERE name=? AND type=? AND queue=?";
const char* const SWITCH_ONE =
    "UPDATE OR REPLACE handlers SET enabled=? WHERE name=? AND type=? AND queue=? AND address=?";
const char* const SWITCH_GLOBAL =
    "UPDATE OR REPLACE handlers SET enabled=? WHERE name=? AND type=? AND queue=?";
const char* const UPDATE_FAILURE = "Unable to execute update record into handlers database: %s";
const char* const DO_FAILURE = "Unable to execute do action on handlers database: %s";

// Whether the record names one address; otherwise it stands for every
// address, and its address becomes "all".
int selectsOneAddress(mh_t* record, bool* one) {
    const char* address = record->address;
    *one =
        record->type != MH_TYPE_GLOBAL && address && *address && std::strcmp(address, "all") != 0;
    if (*one)
        return 0;
    if (mh_data_set(&record->address, "all") != 0) {
        quarn_log(3, "System error: %s", std::strerror(errno));
        return -1;
    }
    return 0;
}

}  // namespace

const char* validate_global_handler_recipient(const char* address) {
    if (!address || !*address)
        return "all";
    if (std::strcmp(address, "all") == 0 || std::strcmp(address, "all-recipients") == 0)
        return address;
    quarn_log(3,
              "Incorrect recipient address for global handler, expected [NULL|EMPTY_STRING|%s|%s]",
              "all", "all-recipients");
    return nullptr;
}

int mh_db_add(sqlite3* db, mh_t* record) {
    const char* address = record->address;
    if (record->type == MH_TYPE_GLOBAL && !(address = validate_global_handler_recipient(address)))
        return -1;
    MhSession session(db);
    if (!session.get())
        return -1;
    MhQuery query(session.get(), INSERT_HANDLER, "INSERT");
    bool bound = query.ok() && query.bindInt(1, "priority", record->priority) &&
                 query.bindText(2, "name", record->name) &&
                 query.bindInt(3, "type", record->type) && query.bindText(4, "address", address) &&
                 query.bindInt(5, "queue", record->queue) &&
                 query.bindText(6, "executable", record->executable) &&
                 query.bindText(7, "context", record->context ? record->context : "none") &&
                 query.bindInt(8, "enabled", record->enabled);
    if (!bound)
        return -1;
    return query.run("Unable to execute insert record into handlers database: %s") ? 0 : -1;
}

int mh_db_remove(sqlite3* db, mh_t* record) {
    bool one = false;
    if (selectsOneAddress(record, &one) != 0)
        return -1;
    MhSession session(db);
    if (!session.get())
        return -1;
    MhQuery query(session.get(), one ? DELETE_ONE : DELETE_GLOBAL, "DELETE");
    bool bound = query.ok() && query.bindText(1, "name", record->name) &&
                 query.bindInt(2, "type", record->type) &&
                 (one ? query.bindText(3, "address", record->address) &&
                            query.bindInt(4, "queue", record->queue)
                      : query.bindInt(3, "queue", record->queue));
    if (!bound)
        return -1;
    return query.run("Unable to execute delete record from handlers database: %s") ? 0 : -1;
}

int mh_db_switch(sqlite3* db, mh_t* record, int enabled) {
    bool one = false;
    if (selectsOneAddress(record, &one) != 0)
        return -1;
    MhSession session(db);
    if (!session.get())
        return -1;
    MhQuery query(session.get(), one ? SWITCH_ONE : SWITCH_GLOBAL, "UPDATE");
    bool bound = query.ok() && query.bindInt(1, "enabled", enabled) &&
                 query.bindText(2, "name", record->name) &&
                 query.bindInt(3, "type", record->type) &&
                 query.bindInt(4, "queue", record->queue) &&
                 (!one || query.bindText(5, "address", record->address));
    if (!bound)
        return -1;
    return query.run(UPDATE_FAILURE) ? 0 : -1;
}

int mh_db_enable(sqlite3* db, mh_t* record) { return mh_db_switch(db, record, 1); }

int mh_db_disable(sqlite3* db, mh_t* record) { return mh_db_switch(db, record, 0); }

int mh_db_remove_addr(sqlite3* db, const char* address) {
    return quarn::mhRunChange(db, "DELETE FROM handlers WHERE address=?", "DELETE", nullptr,
                              "address", address, DO_FAILURE);
}

int mh_db_remove_name(sqlite3* db, const char* name) {
    return quarn::mhRunChange(db, "DELETE FROM handlers WHERE name=?", "DELETE", nullptr, "name",
                              name, DO_FAILURE);
}

int mh_db_switch_by_name(sqlite3* db, const char* name, int enabled) {
    return quarn::mhRunChange(db, "UPDATE OR REPLACE handlers SET enabled=? WHERE name=?", "UPDATE",
                              &enabled, "name", name, UPDATE_FAILURE);
}
