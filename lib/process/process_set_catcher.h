// SIGCHLD handling for the children of one pipeline: the handler reaps
// them, records their wait statuses and wakes the select loop through a
// control pipe.
#ifndef QUARN_LIB_PROCESS_PROCESS_SET_CATCHER_H
#define QUARN_LIB_PROCESS_PROCESS_SET_CATCHER_H

#include <signal.h>
#include <sys/types.h>

#include <map>

#include "lib/util/fd_owner.h"
#include "lib/process/process_flags.h"

namespace quarn {
namespace process {

/// The reaper of a set of children; at most one is installed at a time.
class ProcessSetCatcher {
public:
    ProcessSetCatcher();
    /// remove(true) while an exception is in flight, else remove(false).
    ~ProcessSetCatcher() noexcept(false);

    ProcessSetCatcher(const ProcessSetCatcher&) = delete;
    ProcessSetCatcher& operator=(const ProcessSetCatcher&) = delete;

    /// Takes SIGCHLD over; a second installed instance is a logic_error.
    void install();
    /// Gives SIGCHLD back; without `force` children still running are a
    /// logic_error. Does nothing unless an instance is installed.
    void remove(bool force);
    /// Empties the control pipe; returns the number of bytes read.
    int clear_control();

    /// Adds a child (not finished, status -1); call with SIGCHLD blocked.
    void registerChild(pid_t pid);
    /// The recorded state of `pid`; an unknown pid is std::out_of_range.
    const ProcessStatus& status(pid_t pid) const;
    /// True when `pid` is registered and has ended; call with SIGCHLD blocked.
    bool hasEnded(pid_t pid) const noexcept;
    /// Readable once a registered child has ended.
    int controlFd() const noexcept { return control_.readEnd().get(); }

    int registered() const noexcept { return registered_; }
    int ended() const noexcept { return ended_; }
    int statusChanges() const noexcept { return changes_; }

private:
    static void onSigchld(int, siginfo_t*, void*);
    void reap() noexcept;
    void record(pid_t pid, int status) noexcept;

    static ProcessSetCatcher* volatile installed_;

    std::map<pid_t, ProcessStatus> table_;
    volatile sig_atomic_t registered_ = 0;
    volatile sig_atomic_t ended_ = 0;
    volatile sig_atomic_t changes_ = 0;
    struct sigaction previous_;
    PipeOwner control_;
    int exceptions_;
};

}  // namespace process
}  // namespace quarn

#endif
