// SIGPIPE while a parent feeds its children: a child that stops reading
// must turn the parent's write into EPIPE, not end the parent.
#ifndef QUARN_LIB_PROCESS_SIGPIPE_IGNORE_H
#define QUARN_LIB_PROCESS_SIGPIPE_IGNORE_H

namespace quarn {
namespace process {

/// Ignores SIGPIPE for its lifetime, once for a whole pipeline rather than
/// around every write. Guards nest; the outermost one restores the action.
class SigpipeIgnore {
public:
    /// Failure throws the system error "sigaction".
    SigpipeIgnore();
    /// Restores the previous action quietly, keeping errno.
    ~SigpipeIgnore();

    SigpipeIgnore(const SigpipeIgnore&) = delete;
    SigpipeIgnore& operator=(const SigpipeIgnore&) = delete;

    /// In a forked child before exec: the default action, since an ignored
    /// signal stays ignored across exec.
    static void restoreInChild() noexcept;
};

}  // namespace process
}  // namespace quarn

#endif
