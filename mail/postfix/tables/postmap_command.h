// Runs of /usr/sbin/postmap under a table lock, with standard error captured.
#ifndef QUARN_MAIL_POSTFIX_TABLES_POSTMAP_COMMAND_H
#define QUARN_MAIL_POSTFIX_TABLES_POSTMAP_COMMAND_H

#include <initializer_list>
#include <string>

#include "lib/process/pipe.h"
#include "lib/util/mk_lock.h"
#include "mail/postfix/tables/postmap_errors.h"

namespace quarn::mail::postfix {

/// The postmap command line with exactly these arguments (an empty key
/// stays an argument of its own).
process::ProcessParameters postmapCommand(std::initializer_list<std::string> args);

/// Runs `pipe` with standard error going to `errors` and the descriptor of
/// `lock` inherited by postmap, so the table stays locked while postmap
/// runs even when this process dies first. Returns the wait status.
int runPostmap(process::Pipe& pipe, const MKLock& lock, PostmapErrors& errors);

/// runPostmap; anything but exit status 0 throws PostfixConfigurationError
/// with the captured text, or "unknown error" when there is none.
void runPostmapOrThrow(process::Pipe& pipe, const MKLock& lock);

}  // namespace quarn::mail::postfix

#endif
