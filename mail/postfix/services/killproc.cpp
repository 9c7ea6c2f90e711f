#include "mail/postfix/services/killproc.h"

#include <signal.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstring>

#include "mail/postfix/services/proc_scan.h"

namespace quarn::mail::postfix {

namespace {

bool runsExecutable(pid_t pid, const char* path) {
    char link[64];
    std::snprintf(link, sizeof link, "/proc/%d/exe", static_cast<int>(pid));
    char target[PATH_MAX];
    ssize_t n = readlink(link, target, sizeof target - 1);
    if (n < 0)
        return false;  // Gone meanwhile, or a kernel thread.
    target[n] = '\0';
    return std::strcmp(target, path) == 0;
}

}  // namespace

pid_t findProcessByExe(const char* path) {
    return iterateProcesses([path](pid_t pid) { return runsExecutable(pid, path); });
}

}  // namespace quarn::mail::postfix

int killproc(const char* path) {
    pid_t pid = quarn::mail::postfix::findProcessByExe(path);
    if (pid <= 0)
        return pid;
    return kill(pid, SIGINT);
}
