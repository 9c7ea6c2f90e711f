// Changes to Postfix lookup tables, each one run of postmap. Records are
// streamed to and from postmap in blocks: a table may hold a million records
// and is never held in memory as a whole.
#ifndef QUARN_MAIL_POSTFIX_TABLES_DATABASE_HELPER_H
#define QUARN_MAIL_POSTFIX_TABLES_DATABASE_HELPER_H

#include <cstddef>
#include <functional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "lib/process/process_flags.h"
#include "lib/util/mk_lock.h"
#include "mail/postfix/tables/record_check.h"
#include "mail/postfix/tables/record_filters.h"

namespace quarn::mail::postfix {

/// Stateless operations on one table, named by its map ("hash:/path").
/// Keys and values are passed to postmap as given, once record_check has
/// let them pass (it throws PostfixDatabaseError). postmap failures throw
/// PostfixConfigurationError (add, replace, filter) or PostfixDatabaseError
/// (remove).
///
/// Every change holds the table lock from its first read to its last write,
/// and postmap inherits it, so a change never lands in a table that another
/// run is about to replace. Replace and filter build the new table under a
/// scratch name and rename it over the old one (TableRewrite).
class DatabaseHelper {
public:
    /// Adds or overwrites one record.
    static void addRecord(const std::string& map, const std::string& key,
                          const std::string& value);

    /// Adds each (key, value) pair, overwriting keys that exist; in place.
    template <class Iter>
    static void addRecords(const std::string& map, Iter first, Iter last) {
        record_check::checkRecords(map, first, last);
        if (first == last)
            return;
        runAdd(map, [first, last](std::vector<char>& buffer) mutable {
            return formRecords(first, last, buffer);
        });
    }

    /// Rebuilds the table from exactly the given (key, value) pairs.
    template <class Iter>
    static void replaceRecords(const std::string& map, Iter first, Iter last) {
        record_check::checkRecords(map, first, last);
        rewriteTable(map, true, [first, last](std::ostream& out, const MKLock&) mutable {
            for (; first != last; ++first)
                out << first->first << ' ' << first->second << '\n';
        });
    }

    /// Deletes one key; a key that is not there is no error.
    static void removeRecord(const std::string& map, const std::string& key);

    /// Deletes each key of the range.
    template <class Iter>
    static void removeRecords(const std::string& map, Iter first, Iter last) {
        record_check::checkKeys(map, first, last);
        if (first == last)
            return;
        runRemove(map, "-", [first, last](std::vector<char>& buffer) mutable {
            return printKeys(first, last, buffer);
        });
    }

    /// Passes every record line through `filter` and rebuilds the table from
    /// the lines it keeps, under the table lock.
    template <class RecordFilter>
    static void filterRecords(const std::string& map, const RecordFilter& filter) {
        rewriteTable(map, false, [&map, &filter](std::ostream& out, const MKLock& lock) {
            database::DataStreamFilter<RecordFilter> stream(filter, out);
            dumpTable(map, lock, [&stream](const std::vector<char>& chunk) {
                stream.filterChunk(chunk);
            });
            stream.filterTail();
        });
    }

    /// filterRecords with the key and every value element passing `filter`.
    template <class ElementFilter>
    static void filterElements(const std::string& map, const ElementFilter& filter) {
        filterRecords(map, database::ElementsFilter<ElementFilter>(filter));
    }

    /// The source file of a map: the text after the first colon.
    static std::string sourcePath(const std::string& map);

private:
    /// What one producer call hands postmap: large writes, few calls.
    static constexpr std::size_t FeedBytes = 65536;

    /// Appends records from `pos`, each with a line feed, until the buffer
    /// holds FeedBytes or the range ends; false after the last.
    template <class Iter>
    static bool formRecords(Iter& pos, const Iter& last, std::vector<char>& buffer) {
        for (; pos != last && buffer.size() < FeedBytes; ++pos) {
            append(buffer, pos->first);
            buffer.push_back(' ');
            append(buffer, pos->second);
            buffer.push_back('\n');
        }
        return pos != last;
    }

    /// Appends keys from `pos` the same way.
    template <class Iter>
    static bool printKeys(Iter& pos, const Iter& last, std::vector<char>& buffer) {
        for (; pos != last && buffer.size() < FeedBytes; ++pos) {
            append(buffer, *pos);
            buffer.push_back('\n');
        }
        return pos != last;
    }

    static void append(std::vector<char>& buffer, const std::string& text);
    /// postmap -r -i fed by `producer`.
    static void runAdd(const std::string& map, process::InputProducer producer);
    /// postmap -d key, fed by `producer` when it is set.
    static void runRemove(const std::string& map, const std::string& key,
                          process::InputProducer producer);
    /// postmap -s with its output handed to `consumer`, under `lock`.
    static void dumpTable(const std::string& map, const MKLock& lock,
                          process::OutputConsumer consumer);
    /// Under the table lock: writes the new records through `writer`, builds
    /// them ("-r" when `overwrite`) and puts the result in the table's place.
    static void rewriteTable(const std::string& map, bool overwrite,
                             const std::function<void(std::ostream&, const MKLock&)>& writer);
};

}  // namespace quarn::mail::postfix

#endif
