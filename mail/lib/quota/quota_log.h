// Failure messages of the quota functions.
#ifndef QUARN_MAIL_LIB_QUOTA_QUOTA_LOG_H
#define QUARN_MAIL_LIB_QUOTA_QUOTA_LOG_H

/// A non-fatal message through messlog2 that shows `error` as its system
/// error (none for 0) and leaves errno set to it for the caller. Failures
/// that are no system error (a database answer, an unknown domain) pass 0,
/// so that a stale errno does not add a misleading "System error" line.
void quota_log(int error, const char* format, ...) __attribute__((format(printf, 2, 3)));

#endif
