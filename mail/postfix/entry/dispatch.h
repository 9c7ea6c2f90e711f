// The program's entry: the command table and the dispatch of one command.
#ifndef QUARN_MAIL_POSTFIX_ENTRY_DISPATCH_H
#define QUARN_MAIL_POSTFIX_ENTRY_DISPATCH_H

#include <functional>
#include <map>
#include <string>

#include "mail/postfix/commands/commands.h"

namespace quarn::mail::postfix {

/// Looks argv[1] up and runs its handler with the arguments after the
/// program name; returns the handler's result.
int do_main(int argc, char** argv);

/// The command table as do_main sees it: every command word, aliases
/// included, with its handler (the documentation is generated from it).
std::map<std::string, mxwarden_commands::Handler> commandTable();

/// Runs `body`; an escaping std::exception is reported and gives 1, any
/// other thrown object gives 2.
int runReportingExceptions(const std::function<int()>& body);

}  // namespace quarn::mail::postfix

#endif
