#include "mail/postfix/tables/record_filters.h"

#include <iostream>

namespace quarn::mail::postfix::database {

void reportInvalidRecord(const std::string& line) {
    std::clog << "invalid key/value '" << line << "'" << std::endl;
}

bool ReplaceElementFilterRef::operator()(std::string& element) const {
    if (element == from_) {
        element.assign(to_);
        return true;
    }
    // A mailbox path names the same thing with a trailing slash.
    const std::size_t n = from_.size();
    if (element.size() == n + 1 && element[n] == '/' && element.compare(0, n, from_) == 0) {
        element.assign(to_);
        element += '/';
    }
    return true;
}

}  // namespace quarn::mail::postfix::database
