// The child's half of a launch: from fork to exec, or to the report of
// why the program could not be started.
#ifndef QUARN_LIB_PROCESS_PROCESS_CHILD_H
#define QUARN_LIB_PROCESS_PROCESS_CHILD_H

#include <functional>

#include "lib/util/fd_owner.h"

namespace quarn {
namespace process {

/// Everything the child needs, prepared by the parent before fork.
struct ChildSetup {
    const char* const* argv = nullptr;
    const char* file = nullptr;
    const char* workDir = nullptr;             ///< null: unchanged
    const char* const* environment = nullptr;  ///< null: the parent's
    bool closeOtherFds = false;
    bool searchPath = false;
    bool newSession = false;
    const std::function<void()>* preExec = nullptr;
    FdOwner* childEnds[3] = {};   ///< what goes to 0, 1, 2; empty: inherited
    bool errSameAsOut = false;    ///< standard error is the child's standard output
    FdOwner* parentEnds[3] = {};  ///< the parent's ends of the standard pipes
    PipeOwner* control = nullptr;
};

/// Sets the child up and executes the program; never returns. A failure is
/// reported on the control pipe and ends the child with status 65, 66 or 67.
[[noreturn]] void runChild(ChildSetup& setup) noexcept;

}  // namespace process
}  // namespace quarn

#endif
