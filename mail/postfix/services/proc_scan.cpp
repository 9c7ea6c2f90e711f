#include "mail/postfix/services/proc_scan.h"

#include <dirent.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>

#include "lib/util/ascii_to_numeric.h"


namespace quarn::mail::postfix {

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};

// A /proc entry that names a process: decimal digits only.
bool processId(const char* name, pid_t& pid) {
    const char* end = name + std::strlen(name);
    uint64_t value = 0;
    if (!Util::readDecimalDigits(name, end, std::numeric_limits<pid_t>::max(), value) ||
        name != end)
        return false;
    pid = static_cast<pid_t>(value);
    return true;
}

}  // namespace

pid_t iterateProcesses(const std::function<bool(pid_t)>& visit) {
    std::unique_ptr<DIR, DirCloser> proc(opendir("/proc"));
    if (!proc)
        return -1;
    while (const dirent* entry = readdir(proc.get())) {
        pid_t pid;
        if (processId(entry->d_name, pid) && visit(pid))
            return pid;
    }
    return 0;
}

bool readProcessStat(pid_t pid, std::string& name, pid_t& parent) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // The name may hold blanks and parentheses itself: it ends at the last ")".
    std::string::size_type open = text.find('(');
    std::string::size_type close = text.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close < open)
        return false;
    std::istringstream rest(text.substr(close + 1));
    std::string state;
    long ppid = 0;
    if (!(rest >> state >> ppid))
        return false;
    name = text.substr(open + 1, close - open - 1);
    parent = static_cast<pid_t>(ppid);
    return true;
}

}  // namespace quarn::mail::postfix
