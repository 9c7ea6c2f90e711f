// Records that postmap would read otherwise than they were meant: refused
// before postmap runs, below the front end's own name checks.
#ifndef QUARN_MAIL_POSTFIX_TABLES_RECORD_CHECK_H
#define QUARN_MAIL_POSTFIX_TABLES_RECORD_CHECK_H

#include <string>

namespace quarn::mail::postfix::record_check {

/// Throws PostfixDatabaseError naming the map, the record and the reason
/// for a key with a line feed or carriage return, an empty key, one that
/// starts with a blank or "#", or the key "-".
void checkKey(const std::string& map, const std::string& key);

/// checkKey, and the same for a value that is empty or holds a line feed
/// or carriage return.
void checkRecord(const std::string& map, const std::string& key, const std::string& value);

/// checkRecord of every (key, value) pair of the range.
template <class Iter>
void checkRecords(const std::string& map, Iter first, Iter last) {
    for (; first != last; ++first)
        checkRecord(map, first->first, first->second);
}

/// checkKey of every key of the range.
template <class Iter>
void checkKeys(const std::string& map, Iter first, Iter last) {
    for (; first != last; ++first)
        checkKey(map, *first);
}

}  // namespace quarn::mail::postfix::record_check

#endif
