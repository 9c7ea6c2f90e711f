#include "lib/process/sigchld_block.h"

#include <cerrno>
#include <exception>

#include "lib/errors/errors.h"

namespace quarn {
namespace process {

SigchldBlock::SigchldBlock() : exceptions_(std::uncaught_exceptions()) {
    if (::sigprocmask(SIG_BLOCK, nullptr, &previous_) < 0)
        throw SystemError("get sigprocmask", errno);
    sigset_t blocked = previous_;
    if (::sigaddset(&blocked, SIGCHLD) < 0)
        throw SystemError("sigaddset", errno);
    if (::sigprocmask(SIG_SETMASK, &blocked, nullptr) < 0)
        throw SystemError("set sigprocmask", errno);
}

SigchldBlock::~SigchldBlock() noexcept(false) {
    int saved = errno;
    if (::sigprocmask(SIG_SETMASK, &previous_, nullptr) == 0)
        return;
    if (std::uncaught_exceptions() > exceptions_) {
        errno = saved;
        return;
    }
    throw SystemError("restore sigprocmask", errno);
}

}  // namespace process
}  // namespace quarn
