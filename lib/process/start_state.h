// The process state a run starts from and ends with: the signals its child
// handling relies on, and standard streams that really took their output.
#ifndef QUARN_LIB_PROCESS_START_STATE_H
#define QUARN_LIB_PROCESS_START_STATE_H

namespace quarn {
namespace process {

/// Sets SIGCHLD and SIGPIPE to their default actions and unblocks them,
/// whatever the caller left: a blocked SIGCHLD never wakes a pipeline, an
/// ignored one makes the kernel reap children before waitpid sees them.
/// Failure throws the system error "sigaction" or "sigprocmask".
void resetSignals();

/// Flushes standard output and standard error (C++ streams and stdio). When
/// either failed, writes a message naming the stream to standard error and
/// turns a `status` of 0 into 1; other statuses are returned unchanged.
/// Only the first call checks; later ones return `status`.
int finishOutput(int status) noexcept;

/// Makes exit() check the output too, for the paths that end the process
/// without returning from main (usage texts): when nothing checked it yet
/// and it failed, the process ends with status 1.
void finishOutputAtExit() noexcept;

}  // namespace process
}  // namespace quarn

#endif
