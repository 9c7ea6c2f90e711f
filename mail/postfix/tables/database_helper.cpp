#include "mail/postfix/tables/database_helper.h"

#include <sys/wait.h>

#include <initializer_list>

#include "lib/util/autoclean_ofstream.h"
#include "lib/util/mk_lock.h"
#include "lib/process/pipe.h"
#include "mail/postfix/tables/check_output.h"
#include "mail/postfix/tables/postfix_errors.h"

namespace quarn::mail::postfix {

namespace {

const char* const POSTMAP = "/usr/sbin/postmap";

/// The postmap command line with exactly these arguments; set directly, since
/// the Parameters constructor would end the list at an empty key.
process::ProcessParameters postmap(std::initializer_list<std::string> args) {
    process::ProcessParameters p(POSTMAP);
    p.args.insert(p.args.end(), args);
    return p;
}

bool succeeded(int status) {
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

/// Runs `pipe` with its standard error captured; a failure throws
/// PostfixConfigurationError with that text.
void runOrThrow(process::Pipe& pipe) {
    std::string errors;
    pipe.errChannel = process::makeStringReceiver(errors);
    if (!succeeded(pipe.run()))
        throw PostfixConfigurationError(errors.empty() ? "unknown error" : errors);
}

}  // namespace

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
    process::Pipe pipe(postmap({"-r", "-i", map}));
    pipe.inChannel = std::move(producer);
    runOrThrow(pipe);
}

void DatabaseHelper::runRemove(const std::string& map, const std::string& key,
                               process::InputProducer producer) {
    process::Pipe pipe(postmap({"-d", key, map}));
    if (producer)
        pipe.inChannel = std::move(producer);
    std::string errors;
    pipe.errChannel = process::makeStringReceiver(errors);
    int status = pipe.run();
    if (WIFSIGNALED(status))
        throw PostfixDatabaseError(errors);
    // postmap exits non-zero without a diagnostic when no key was found:
    // deleting what is not there is fine.
    if (WEXITSTATUS(status) != 0 && !checkOutput(errors, false))
        throw PostfixDatabaseError(errors);
}

void DatabaseHelper::dumpTable(const std::string& map, process::OutputConsumer consumer) {
    process::Pipe pipe(postmap({"-s", map}));
    pipe.inChannel = process::DevNull;
    pipe.outChannel = std::move(consumer);
    runOrThrow(pipe);
}

void DatabaseHelper::rewriteSource(const std::string& map, bool overwrite,
                                   const std::function<void(std::ostream&)>& writer) {
    const std::string source = sourcePath(map);
    // The lock covers the source file from its creation to its removal, so
    // two rewrites of one table never mix their source files.
    MKLock lock(source);
    AutocleanOFStream out(source);
    out.exceptions(std::ios_base::badbit | std::ios_base::failbit);
    writer(out);
    out.close();
    process::Pipe pipe(overwrite ? postmap({"-r", map}) : postmap({map}));
    runOrThrow(pipe);
}

}  // namespace quarn::mail::postfix
