#include "mail/postfix/services/master_pid.h"

#include <syslog.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <string>

#include "lib/errors/log.h"
#include "mail/postfix/services/proc_scan.h"

namespace quarn::mail::postfix {

const char* const MASTER_PID_FILE = "/var/spool/postfix/pid/master.pid";

pid_t readPidFile(const char* path) {
    std::ifstream in(path);
    long pid = -1;
    if (!in || !(in >> pid) || pid <= 0)
        return -1;
    return static_cast<pid_t>(pid);
}

pid_t getMasterPid() { return readPidFile(MASTER_PID_FILE); }

bool findQmgrInfo(pid_t pid, pid_t master) {
    std::string name;
    pid_t parent;
    return readProcessStat(pid, name, parent) && parent == master && name == "qmgr";
}

bool qmgrRunsUnder(pid_t master) {
    pid_t found = iterateProcesses([master](pid_t pid) { return findQmgrInfo(pid, master); });
    if (found < 0) {
        quarn_log(LOG_ERR, "unable to open /proc filesystem: %s\n", std::strerror(errno));
        return false;
    }
    return found > 0;
}

bool isPostfixRunning() {
    pid_t master = getMasterPid();
    return master > 0 && qmgrRunsUnder(master);
}

bool isMasterRunning() {
    pid_t master = getMasterPid();
    std::string name;
    pid_t parent;
    return master > 0 && readProcessStat(master, name, parent) && name == "master";
}

}  // namespace quarn::mail::postfix
