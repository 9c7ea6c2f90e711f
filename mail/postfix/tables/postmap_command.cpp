#include "mail/postfix/tables/postmap_command.h"

#include <sys/wait.h>

#include "mail/postfix/tables/postfix_errors.h"

namespace quarn::mail::postfix {

process::ProcessParameters postmapCommand(std::initializer_list<std::string> args) {
    process::ProcessParameters p("/usr/sbin/postmap");
    p.args.insert(p.args.end(), args);
    return p;
}

int runPostmap(process::Pipe& pipe, const MKLock& lock, PostmapErrors& errors) {
    pipe.errChannel = errors.receiver();
    pipe.preExec = [&lock] { lock.inheritInChild(); };
    return pipe.run();
}

void runPostmapOrThrow(process::Pipe& pipe, const MKLock& lock) {
    PostmapErrors errors;
    int status = runPostmap(pipe, lock, errors);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw PostfixConfigurationError(errors.empty() ? "unknown error" : errors.text());
}

}  // namespace quarn::mail::postfix
