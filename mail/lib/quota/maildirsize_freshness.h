// Keeping a just written maildirsize honest: when the mailbox changed while
// it was being counted, the file is made to look stale so that the delivery
// agent counts again.
#ifndef QUARN_MAIL_LIB_QUOTA_MAILDIRSIZE_FRESHNESS_H
#define QUARN_MAIL_LIB_QUOTA_MAILDIRSIZE_FRESHNESS_H

#include <time.h>

/// How far before the count the file's modification time is set back.
const time_t MAILDIRSIZE_SET_BACK = 960;

/// Raises `*newest` to the newest modification time of cur and new of the
/// Maildir that is the current directory and of each of its Maildir++
/// folders. 1, or 0 after a message; `maildir` only names it in messages.
int maildirpp_newest_mtime(const char* maildir, time_t* newest);

/// When anything in the Maildir that is the current directory is newer than
/// `seen` (the newest time the count saw), or that cannot be found out,
/// sets the times of its "maildirsize" to now (access) and `seen` less
/// MAILDIRSIZE_SET_BACK (modification). 1, or 0 after a message when the
/// times cannot be set.
int maildirsize_check_freshness(const char* maildir, time_t seen);

#endif
