// Signals a running daemon found by its executable path.
#ifndef QUARN_MAIL_POSTFIX_SERVICES_KILLPROC_H
#define QUARN_MAIL_POSTFIX_SERVICES_KILLPROC_H

#include <sys/types.h>

namespace quarn::mail::postfix {

/// The first process in /proc whose executable is exactly `path`; 0 when
/// there is none, -1 when /proc cannot be read.
pid_t findProcessByExe(const char* path);

}  // namespace quarn::mail::postfix

/// Sends SIGINT to the process running `path`. Returns the non-positive
/// search result when there is none, else the result of kill().
int killproc(const char* path);

#endif
