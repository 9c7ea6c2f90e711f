// Starting every process of a pipeline, each one's output feeding the next.
#ifndef QUARN_LIB_PROCESS_LAUNCH_ALL_H
#define QUARN_LIB_PROCESS_LAUNCH_ALL_H

#include <memory>
#include <vector>

#include "lib/process/process_flags.h"
#include "lib/process/process_launch.h"
#include "lib/process/process_set_catcher.h"

namespace quarn {
namespace process {

/// Launches the processes in order with SIGCHLD blocked, installs the
/// catcher and registers every child in it and in `statuses`. The first
/// process reads `stdinCode`, the last writes `stdoutCode` (Unset resolved).
/// A child that cannot exec makes it throw that child's error; the ones
/// launched before it are left running.
void launchAll(std::vector<ProcessParameters>& processes, int stdinCode, int stdoutCode,
               ProcessSetCatcher& catcher, std::vector<std::unique_ptr<ProcessLaunch>>& launches,
               std::vector<ProcessStatus>& statuses);

}  // namespace process
}  // namespace quarn

#endif
