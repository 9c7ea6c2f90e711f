#include "mail/postfix/services/killproc.h"

#include <dirent.h>
#include <signal.h>
#include <unistd.h>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace quarn::mail::postfix {

namespace {

bool isNumeric(const char* name) {
    if (!*name)
        return false;
    for (; *name; ++name)
        if (!std::isdigit(static_cast<unsigned char>(*name)))
            return false;
    return true;
}

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

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};

}  // namespace

pid_t findProcessByExe(const char* path) {
    std::unique_ptr<DIR, DirCloser> proc(opendir("/proc"));
    if (!proc)
        return -1;
    while (struct dirent* entry = readdir(proc.get())) {
        if (!isNumeric(entry->d_name))
            continue;
        pid_t pid = static_cast<pid_t>(std::atoi(entry->d_name));
        if (runsExecutable(pid, path))
            return pid;
    }
    return 0;
}

}  // namespace quarn::mail::postfix

int killproc(const char* path) {
    pid_t pid = quarn::mail::postfix::findProcessByExe(path);
    if (pid <= 0)
        return pid;
    return kill(pid, SIGINT);
}
