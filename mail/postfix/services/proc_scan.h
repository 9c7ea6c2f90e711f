// Scans of the process table in /proc.
#ifndef QUARN_MAIL_POSTFIX_SERVICES_PROC_SCAN_H
#define QUARN_MAIL_POSTFIX_SERVICES_PROC_SCAN_H

#include <sys/types.h>

#include <functional>
#include <string>

namespace quarn::mail::postfix {

/// Calls `visit` with each process id in /proc until it returns true.
/// Returns that id, 0 when it never did, -1 with errno when /proc cannot be
/// opened.
pid_t iterateProcesses(const std::function<bool(pid_t)>& visit);

/// The name (between the parentheses) and the parent id from the stat file
/// of `pid` under /proc; false when the process is gone or the file odd.
bool readProcessStat(pid_t pid, std::string& name, pid_t& parent);

}  // namespace quarn::mail::postfix

#endif
