// The line of root's crontab that runs the POP3 lock cleaner.
#ifndef QUARN_MAIL_POSTFIX_LIB_POPLOCK_CRON_H
#define QUARN_MAIL_POSTFIX_LIB_POPLOCK_CRON_H

#include <string>

/// The POP3 lock cleaner run from root's crontab.
extern const char* const POPLOCK_CLEANER;

/// The crontab line, without its line feed, that runs the cleaner every
/// `period` minutes (1 to 60) from minute `start` (below the period).
std::string poplock_cron_line(int period, int start);

/// The table with its active cleaner lines (those naming the cleaner and
/// not commented out) replaced: the first by `line` when it is not empty,
/// the others dropped; `line` is appended when there was none. Every other
/// line stays as it was.
std::string poplock_cron_rewrite(const std::string& table, const std::string& line);

/// Runs the cleaner every `minutes` (at most 60) from a random minute, or
/// never when `minutes` is below 1, through the crontab program. 0 or -1.
int set_poplockdb_clean_period(int minutes);

#endif
