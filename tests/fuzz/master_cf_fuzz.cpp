// libFuzzer target of the master.cf grammar: any input either is refused or
// comes back byte for byte, and parses the same way a second time.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "mail/postfix/config/master_cf_content.h"
#include "mail/postfix/config/master_cf_parser.h"

using quarn::mail::postfix::MasterCfContent;
using quarn::mail::postfix::parseMasterCf;

namespace {

/// The service entries of a text that parsed: physical lines that begin
/// with neither white space nor "#" nor a line break.
size_t entriesIn(const std::string& text) {
    size_t count = 0;
    for (size_t start = 0; start < text.size(); start = text.find('\n', start) + 1) {
        char c = text[start];
        if (c != ' ' && c != '\t' && c != '\r' && c != '#' && c != '\n')
            ++count;
        if (text.find('\n', start) == std::string::npos)
            break;
    }
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;  // an empty file is never parsed: it is empty content
    const char* first = reinterpret_cast<const char*>(data);
    MasterCfContent content;
    if (!parseMasterCf(first, first + size, content))
        return 0;
    content.setMissingFinalLineFeed(first[size - 1] != '\n');
    std::string text = content.text();
    std::string input(first, size);
    // A second entry of the same service replaces the first in place; any
    // other text must come back as it was.
    bool duplicates = entriesIn(input) != content.modules().size();
    if (!duplicates && text != input)
        std::abort();
    MasterCfContent again;
    if (!parseMasterCf(text.data(), text.data() + text.size(), again) ||
        again.lines != content.lines || again.modules().size() != content.modules().size())
        std::abort();
    return 0;
}
