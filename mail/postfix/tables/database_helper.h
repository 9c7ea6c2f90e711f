// Changes to Postfix lookup tables, each one run of postmap. Records are
// streamed to and from postmap one at a time: a table may hold a million
// records and is never held in memory as a whole.
#ifndef QUARN_MAIL_POSTFIX_TABLES_DATABASE_HELPER_H
#define QUARN_MAIL_POSTFIX_TABLES_DATABASE_HELPER_H

#include <functional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "lib/process/process_flags.h"
#include "mail/postfix/tables/record_check.h"
#include "mail/postfix/tables/record_filters.h"

namespace quarn::mail::postfix {

/// Stateless operations on one table, named by its map ("hash:/path").
/// Keys and values are passed to postmap as given, once record_check has
/// let them pass (it throws PostfixDatabaseError). postmap failures throw
/// PostfixConfigurationError (add, replace, filter) or PostfixDatabaseError
/// (remove).
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
            return formRecord(first, last, buffer);
        });
    }

    /// Rebuilds the table from exactly the given (key, value) pairs.
    template <class Iter>
    static void replaceRecords(const std::string& map, Iter first, Iter last) {
        record_check::checkRecords(map, first, last);
        rewriteSource(map, true, [first, last](std::ostream& out) mutable {
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
            return printKey(first, last, buffer);
        });
    }

    /// Passes every record line through `filter` and rebuilds the table from
    /// the lines it keeps, under the table lock.
    template <class RecordFilter>
    static void filterRecords(const std::string& map, const RecordFilter& filter) {
        rewriteSource(map, false, [&map, &filter](std::ostream& out) {
            database::DataStreamFilter<RecordFilter> stream(filter, out);
            dumpTable(map, [&stream](const std::vector<char>& chunk) {
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
    /// Appends the record at `pos` and a line feed; false after the last.
    template <class Iter>
    static bool formRecord(Iter& pos, const Iter& last, std::vector<char>& buffer) {
        append(buffer, pos->first);
        buffer.push_back(' ');
        append(buffer, pos->second);
        buffer.push_back('\n');
        return ++pos != last;
    }

    /// Appends the key at `pos` and a line feed; false after the last.
    template <class Iter>
    static bool printKey(Iter& pos, const Iter& last, std::vector<char>& buffer) {
        append(buffer, *pos);
        buffer.push_back('\n');
        return ++pos != last;
    }

    static void append(std::vector<char>& buffer, const std::string& text);
    /// postmap -r -i fed by `producer`.
    static void runAdd(const std::string& map, process::InputProducer producer);
    /// postmap -d key, fed by `producer` when it is set.
    static void runRemove(const std::string& map, const std::string& key,
                          process::InputProducer producer);
    /// postmap -s with its output handed to `consumer`.
    static void dumpTable(const std::string& map, process::OutputConsumer consumer);
    /// Under the table lock: writes the source file through `writer`,
    /// rebuilds the table from it ("-r" when `overwrite`) and deletes it.
    static void rewriteSource(const std::string& map, bool overwrite,
                              const std::function<void(std::ostream&)>& writer);
};

}  // namespace quarn::mail::postfix

#endif
