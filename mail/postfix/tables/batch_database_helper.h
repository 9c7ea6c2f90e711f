// Table changes recorded by composite manager operations, each applied to
// its table at once.
#ifndef QUARN_MAIL_POSTFIX_TABLES_BATCH_DATABASE_HELPER_H
#define QUARN_MAIL_POSTFIX_TABLES_BATCH_DATABASE_HELPER_H

#include <string>

#include "mail/postfix/tables/database_helper.h"

namespace quarn::mail::postfix {

/// Hands each recorded change to DatabaseHelper in the recording call; holds
/// nothing pending, so a failure leaves earlier changes in their tables.
class BatchDatabaseHelper {
public:
    /// Every caller asks for incremental, immediate updates; that is the only
    /// mode there is, and any other throws NotSupportedError rather than
    /// quietly applying changes in a way the caller did not ask for.
    BatchDatabaseHelper(bool incremental, bool immediate);
    BatchDatabaseHelper(const BatchDatabaseHelper&) = delete;
    BatchDatabaseHelper& operator=(const BatchDatabaseHelper&) = delete;
    /// Applies nothing: every change is already in its table.
    ~BatchDatabaseHelper();

    /// Adds or overwrites one record.
    void addChange(const std::string& map, const std::string& key, const std::string& value);

    /// Adds or overwrites each (key, value) pair of the range.
    template <class Iter>
    void addChanges(const std::string& map, Iter first, Iter last) {
        DatabaseHelper::addRecords(map, first, last);
    }

    /// Deletes each key of the range.
    template <class Iter>
    void removeChanges(const std::string& map, Iter first, Iter last) {
        DatabaseHelper::removeRecords(map, first, last);
    }
};

}  // namespace quarn::mail::postfix

#endif
