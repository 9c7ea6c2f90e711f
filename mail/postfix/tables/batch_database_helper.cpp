#include "mail/postfix/tables/batch_database_helper.h"

#include <list>
#include <utility>

#include "lib/errors/errors.h"

namespace quarn::mail::postfix {

BatchDatabaseHelper::BatchDatabaseHelper(bool incremental, bool immediate) {
    if (!incremental || !immediate)
        throw NotSupportedError("Deferred or rebuilding table updates");
}

BatchDatabaseHelper::~BatchDatabaseHelper() {}

void BatchDatabaseHelper::addChange(const std::string& map, const std::string& key,
                                    const std::string& value) {
    std::list<std::pair<std::string, std::string>> one{{key, value}};
    addChanges(map, one.begin(), one.end());
}

}  // namespace quarn::mail::postfix
