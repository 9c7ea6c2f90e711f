// Whether Postfix runs: its master's pid file and the queue manager under it.
#ifndef QUARN_MAIL_POSTFIX_SERVICES_MASTER_PID_H
#define QUARN_MAIL_POSTFIX_SERVICES_MASTER_PID_H

#include <sys/types.h>

namespace quarn::mail::postfix {

/// The pid file of Postfix's master process.
extern const char* const MASTER_PID_FILE;

/// The process id in Postfix's pid file, or -1. Never throws.
pid_t getMasterPid();
/// The first decimal number of the file at `path` (leading white space
/// skipped), or -1.
pid_t readPidFile(const char* path);

/// The callback of the scan: process `pid` is named exactly "qmgr" and has
/// `master` as its parent.
bool findQmgrInfo(pid_t pid, pid_t master);
/// True when Postfix's queue manager runs under `master`. A /proc that
/// cannot be read is logged and counts as no queue manager.
bool qmgrRunsUnder(pid_t master);

/// Postfix runs: the pid file names a master that has a queue manager.
bool isPostfixRunning();
/// The pid file names a live process called "master". Unlike
/// isPostfixRunning() this holds also while a reload replaces the queue
/// manager.
bool isMasterRunning();

}  // namespace quarn::mail::postfix

#endif
