// Keeps SIGCHLD blocked while children are launched and registered, so the
// reaping handler never meets a child that is not in its table yet.
#ifndef QUARN_LIB_PROCESS_SIGCHLD_BLOCK_H
#define QUARN_LIB_PROCESS_SIGCHLD_BLOCK_H

#include <signal.h>

namespace quarn {
namespace process {

/// Blocks SIGCHLD for its lifetime and then restores the previous mask.
class SigchldBlock {
public:
    /// Failures throw "get sigprocmask", "sigaddset" or "set sigprocmask".
    SigchldBlock();
    /// A failed restore throws "restore sigprocmask", unless another
    /// exception is in flight: then it stays quiet and keeps errno.
    ~SigchldBlock() noexcept(false);

    SigchldBlock(const SigchldBlock&) = delete;
    SigchldBlock& operator=(const SigchldBlock&) = delete;

    /// The mask in force before the block.
    const sigset_t& previous() const noexcept { return previous_; }

private:
    sigset_t previous_;
    int exceptions_;
};

}  // namespace process
}  // namespace quarn

#endif
