// A mail-handlers database made with the sqlite3 tool in a scratch
// directory and made current for one test.
#ifndef TESTS_SANDBOXED_HANDLERS_MH_DB_FIXTURE_H
#define TESTS_SANDBOXED_HANDLERS_MH_DB_FIXTURE_H

#include "mail/lib/handlers/mh_query.h"
#include "mail/lib/handlers/mh_record.h"

#include "tests/support/sqlite_rows.h"
#include "tests/support/temp_dir.h"

#include <cstdio>
#include <string>

#include <gtest/gtest.h>

namespace testsupport {

const char MH_SCHEMA[] =
    "BEGIN TRANSACTION;CREATE TABLE handlers (queue INTEGER, type INTEGER, enabled BOOLEAN, "
    "priority INTEGER, name VARCHAR(255) NOT NULL, address VARCHAR(2048) NOT NULL, executable "
    "VARCHAR(2048) NOT NULL, context VARCHAR(2048) NOT NULL, CONSTRAINT uniq_entries_constaraint "
    "PRIMARY KEY (queue, type, name, address, executable, context));CREATE INDEX idx1 ON "
    "handlers(queue, type, enabled, address);CREATE INDEX idx2 ON handlers(queue, type, enabled, "
    "address, priority);CREATE INDEX idx3 ON handlers(name, queue, type, address);CREATE INDEX "
    "idx4 ON handlers(name, queue, type);COMMIT;";

/// A record with the given fields (strings copied).
inline void fill(quarn::MhRecord& r, int type, int queue, int priority, const char* name,
                 const char* address, const char* executable, const char* context, int enabled) {
    r.type = type;
    r.queue = queue;
    r.priority = priority;
    r.enabled = enabled;
    mh_data_set(&r.name, name);
    mh_data_set(&r.address, address);
    mh_data_set(&r.executable, executable);
    mh_data_set(&r.context, context);
}

class MhDbTest : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = dir_.file("handlers.db");
        sqliteRows(path_, MH_SCHEMA);
        saved_ = mh_db_path;
        mh_db_path = path_.c_str();
    }
    void TearDown() override { mh_db_path = saved_; }

    /// Every handler: queue|type|enabled|priority|name|address|executable|context.
    std::string rows() const {
        return sqliteRows(path_,
                          "SELECT queue, type, enabled, priority, name, address, "
                          "executable, context FROM handlers ORDER BY name, address, "
                          "queue, type");
    }
    /// Starts again from an empty table.
    void empty() const { sqliteRows(path_, "DELETE FROM handlers"); }

    TempDir dir_;
    std::string path_;
    const char* saved_ = nullptr;
};

}  // namespace testsupport

#endif
