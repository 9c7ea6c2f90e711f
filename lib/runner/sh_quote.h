// Shell quoting of single words, for command lines shown in messages and
// written into Postfix tables.
#ifndef QUARN_LIB_RUNNER_SH_QUOTE_H
#define QUARN_LIB_RUNNER_SH_QUOTE_H

#include <string>

namespace quarn {

/// The word with shell metacharacters escaped by a backslash and line feeds
/// quoted; an empty word gives an empty result.
std::string sh_quote(const std::string& word);

}  // namespace quarn

#endif
