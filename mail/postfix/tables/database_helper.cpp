#include "mail/postfix/tables/database_helper.h"

#include <sys/wait.h>

#include "lib/process/pipe.h"
#include "mail/postfix/tables/postfix_errors.h"
#include "mail/postfix/tables/postmap_command.h"
#include "mail/postfix/tables/postmap_errors.h"
#include "mail/postfix/tables/table_rewrite.h"

namespace quarn::mail::postfix {

void DatabaseHelper::addRecord(const std::string& map, const std::string& key,
                               const std::string& value) {
    std::vector<std::pair<std::string, std::string>> one(1, std::make_pair(key, value));
    addRecords(map, one.begin(), one.end());
}

void DatabaseHelper::removeRecord(const std::string& map, const std::string& key) {
    record_check::checkKey(map, key);
    runRemove(map, key, process::InputProducer());
}

std::string DatabaseHelper::sourcePath(const std::string& map) {
    std::string::size_type colon = map.find(':');
    return colon == std::string::npos ? map : map.substr(colon + 1);
}

void DatabaseHelper::append(std::vector<char>& buffer, const std::string& text) {
    buffer.insert(buffer.end(), text.begin(), text.end());
}

void DatabaseHelper::runAdd(const std::string& map, process::InputProducer producer) {
    MKLock lock(sourcePath(map));
    process::Pipe pipe(postmapCommand({"-r", "-i", map}));
    pipe.inChannel = std::move(producer);
    runPostmapOrThrow(pipe, lock);
}

void DatabaseHelper::runRemove(const std::string& map, const std::string& key,
                               process::InputProducer producer) {
    MKLock lock(sourcePath(map));
    process::Pipe pipe(postmapCommand({"-d", key, map}));
    if (producer)
        pipe.inChannel = std::move(producer);
    PostmapErrors errors;
    int status = runPostmap(pipe, lock, errors);
    if (WIFSIGNALED(status))
        throw PostfixDatabaseError(errors.text());
    // postmap exits non-zero without a diagnostic when no key was found:
    // deleting what is not there is fine.
    if (WEXITSTATUS(status) != 0 && !errors.clean())
        throw PostfixDatabaseError(errors.text());
}

void DatabaseHelper::dumpTable(const std::string& map, const MKLock& lock,
                               process::OutputConsumer consumer) {
    process::Pipe pipe(postmapCommand({"-s", map}));
    pipe.inChannel = process::DevNull;
    pipe.outChannel = std::move(consumer);
    runPostmapOrThrow(pipe, lock);
}

void DatabaseHelper::rewriteTable(
    const std::string& map, bool overwrite,
    const std::function<void(std::ostream&, const MKLock&)>& writer) {
    MKLock lock(sourcePath(map));
    TableRewrite rewrite(map, lock);
    writer(rewrite.source(), lock);
    rewrite.build(overwrite);
    rewrite.commit();
}

}  // namespace quarn::mail::postfix
