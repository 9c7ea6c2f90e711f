#include "mail/postfix/tables/check_output.h"

namespace quarn::mail::postfix {

namespace {

/// True when `line` carries a tag that counts as a failure.
bool lineFails(const std::string& line, bool warningsFail) {
    const std::string::size_type last = line.size() - 1;
    std::string::size_type colon = line.find(':');
    if (colon == std::string::npos || colon == last)
        return false;
    std::string::size_type q = line.find_first_not_of(' ', colon + 1);
    if (q == std::string::npos || q == last)
        return false;
    // A tag is a word ended by a colon; text without one is no diagnostic.
    if (line.find(':', q + 1) == std::string::npos)
        return false;
    if (line.compare(q, 6, "panic:") == 0 || line.compare(q, 6, "fatal:") == 0 ||
        line.compare(q, 6, "error:") == 0)
        return true;
    return warningsFail && line.compare(q, 8, "warning:") != 0;
}

}  // namespace

bool checkOutput(const std::string& text, bool warningsFail) {
    std::string::size_type start = 0;
    while (start < text.size()) {
        std::string::size_type end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        if (end > start && lineFails(text.substr(start, end - start), warningsFail))
            return false;
        start = end + 1;
    }
    return true;
}

}  // namespace quarn::mail::postfix
