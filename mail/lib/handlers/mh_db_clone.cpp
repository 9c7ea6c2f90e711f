#include "mail/lib/handlers/mh_db_clone.h"

#include "lib/errors/log.h"
#include "mail/lib/handlers/mh_db_change.h"
#include "mail/lib/handlers/mh_db_list.h"
#include "mail/lib/handlers/mh_query.h"

#include <cstring>
#include <string>

using quarn::MhList;
using quarn::MhQuery;
using quarn::MhRecord;

namespace {

const char* const SELECT_ADDRESS =
    "SELECT priority, type, queue, name, executable, context, enabled FROM handlers WHERE "
    "address=?";
const char* const SELECT_DOMAIN =
    "SELECT priority, type, queue, name, executable, context, enabled, address FROM handlers "
    "WHERE address LIKE '%' || ? || '%'";

// The address a domain clone gives a row's address; false to skip the row.
bool domainTarget(const char* address, const char* sourceDomain, const char* targetDomain,
                  std::string* target) {
    if (!address)
        return false;
    if (const char* at = std::strchr(address, '@')) {
        *target = std::string(address, at - address) + "@" + targetDomain;
        return true;
    }
    if (std::strcmp(address, sourceDomain) != 0)
        return false;
    *target = targetDomain;
    return true;
}

// Collects the records to insert; false on failure (logged).
bool collect(sqlite3* db, const char* mailname, const char* sourceDomain, const char* newMailname,
             const char* targetDomain, mh_list_t* list) {
    std::string source, target;
    if (mailname) {
        source = std::string(mailname) + "@" + sourceDomain;
        target = std::string(newMailname ? newMailname : mailname) + "@" + targetDomain;
    }
    MhQuery query(db, mailname ? SELECT_ADDRESS : SELECT_DOMAIN, "SELECT");
    if (!query.ok() || !query.bindText(1, "address", mailname ? source.c_str() : sourceDomain))
        return false;
    int rc;
    while ((rc = query.step()) == SQLITE_ROW) {
        const char* address = reinterpret_cast<const char*>(sqlite3_column_text(query.get(), 7));
        if (!mailname && !domainTarget(address, sourceDomain, targetDomain, &target))
            continue;
        MhRecord record;
        if (quarn::mhReadRow(query.get(), {4, 5, 6}, &record) != 0 ||
            mh_data_set(&record.address, target.c_str()) != 0 || mh_list_add(list, &record) != 0) {
            quarn_log(3, "Unable to save the data from SELECT query");
            return false;
        }
    }
    if (rc == SQLITE_DONE)
        return true;
    quarn_log(3, "Unable to select data from handlers database: %s", query.error());
    return false;
}

}  // namespace

int mh_db_clone(sqlite3* db, const char* mailname, const char* sourceDomain,
                const char* newMailname, const char* targetDomain) {
    quarn::MhSession session(db);
    if (!session.get())
        return -1;
    MhList list;
    if (!collect(session.get(), mailname, sourceDomain, newMailname, targetDomain, &list))
        return -1;
    if (mh_db_do(&list, session.get(), mh_db_add) != 0) {
        quarn_log(3, "Unable to add records into handlers database");
        return -1;
    }
    return 0;
}
