// What a command declares on its command line, read without running the
// command: the documentation is generated from it, so that the manual page
// and the shell completion can never miss an option.
#ifndef QUARN_MAIL_POSTFIX_OPTIONS_OPTION_DECLARATIONS_H
#define QUARN_MAIL_POSTFIX_OPTIONS_OPTION_DECLARATIONS_H

#include <string>
#include <vector>

namespace quarn::mail::postfix::mxwarden_commands {

/// One declared option.
struct DeclaredOption {
    std::string name;         ///< long name, without dashes
    std::string shortName;    ///< one letter, or empty
    std::string description;  ///< as the help shows it, " (mandatory)" included
    bool takesValue = false;
    bool mandatory = false;
};

/// Thrown by ProgramOptionsHelper::parse while declarations are being read.
/// Deliberately not a std::exception: no handler's catch may swallow it.
struct DeclaredOptions {
    std::string description;  ///< the command's own description text
    std::string syntax;       ///< the handler's syntax line
    std::vector<DeclaredOption> options;
};

/// From now on, for the rest of the process, every parse() throws the
/// handler's declarations instead of parsing, so a handler ends at its
/// parse, before it does anything. Only the documentation generator calls
/// this; the program never does.
void readDeclarationsOnly();
bool readingDeclarationsOnly();

}  // namespace quarn::mail::postfix::mxwarden_commands

#endif
