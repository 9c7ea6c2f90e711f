// One child process: fork, descriptor set-up, exec, and the parent's view of
// the result.
#ifndef QUARN_LIB_PROCESS_PROCESS_LAUNCH_H
#define QUARN_LIB_PROCESS_PROCESS_LAUNCH_H

#include <sys/types.h>

#include <functional>

#include "lib/util/fd_owner.h"

namespace quarn {
namespace process {

/// A launched child and the parent's ends of its Handled standard descriptors.
class ProcessLaunch {
public:
    /// Forks the child and returns in the parent once it runs; waitExec()
    /// must follow. `argv` ends in null; workDir and environment may be null.
    /// The codes are those of DescriptorCode; SameAsStdout only for stderr.
    ProcessLaunch(const char* const* argv, const char* file, const char* workDir,
                  const char* const* environment, bool closeOtherFds, bool searchPath,
                  bool newSession, const std::function<void()>& preExec, int stdinCode,
                  int stdoutCode, int stderrCode);
    /// Closes the descriptors it owns; neither kills nor waits for the child.
    ~ProcessLaunch();

    ProcessLaunch(const ProcessLaunch&) = delete;
    ProcessLaunch& operator=(const ProcessLaunch&) = delete;

    /// Returns once the child executes its program; throws the child's error
    /// otherwise (the failed child is reaped first).
    void waitExec();
    /// Waits for the child to end and returns its wait status.
    int waitExit();

    pid_t pid() const noexcept { return pid_; }
    /// The parent's write end of the child's standard input (Handled only).
    FdOwner& stdinEnd() noexcept { return ends_[0]; }
    /// The parent's read end of the child's standard output (Handled only).
    FdOwner& stdoutEnd() noexcept { return ends_[1]; }
    /// The parent's read end of the child's standard error (Handled only).
    FdOwner& stderrEnd() noexcept { return ends_[2]; }

private:
    void prepare(int which, int code, FdOwner& childEnd);
    void reapFailedChild() noexcept;

    pid_t pid_ = -1;
    FdOwner ends_[3];
    PipeOwner control_;
    bool reaped_ = false;
    int exitStatus_ = -1;
};

}  // namespace process
}  // namespace quarn

#endif
