// The three help texts of the program and the usage error.
#ifndef QUARN_MAIL_POSTFIX_ENTRY_HELP_H
#define QUARN_MAIL_POSTFIX_ENTRY_HELP_H

#include <cstddef>
#include <ostream>
#include <string>

namespace quarn::mail::postfix {

/// One row of the help table.
struct CommandDescription {
    const char* command;      ///< the command word, legacy ones behind "-x, "
    const char* syntax;       ///< may be empty
    const char* description;  ///< continuation lines start with eight spaces
};

extern const CommandDescription commandDescriptions[];
extern const std::size_t commandDescriptionCount;

/// Print a help text to `out` and end the process with `status`.
[[noreturn]] void usageShort(int status, std::ostream& out);
[[noreturn]] void usageCommands(int status, std::ostream& out);
[[noreturn]] void usageLegacy(int status, std::ostream& out);

/// "Error: message" (unless empty) and the short usage on stderr; exit 1.
[[noreturn]] void wrongUsage(const std::string& message);

}  // namespace quarn::mail::postfix

#endif
