#include "mail/postfix/config/module_info.h"

#include <stdexcept>

namespace quarn::mail::postfix {

namespace {

/// "y", "n" or "-".
const char* flagText(boost::logic::tribool flag) {
    if (flag)
        return "y";
    if (!flag)
        return "n";
    return "-";
}

}  // namespace

const char* moduleTypeWord(ModuleType type) {
    switch (type) {
    case INET:
        return "inet";
    case UNIX:
        return "unix";
    case FIFO:
        return "fifo";
    case UNIX_DGRAM:
        return "unix-dgram";
    case PASS:
        return "pass";
    }
    throw std::logic_error("unknown master.cf service type");
}

void ModuleInfo::reset() {
    name.clear();
    type = INET;
    isPrivate = boost::logic::indeterminate;
    unprivileged = boost::logic::indeterminate;
    chroot = false;
    wakeup = -1;
    wakeupWhenUsed = false;
    maxproc = -1;
    command.clear();
}

std::string moduleLine(const ModuleInfo& info) {
    std::string line = info.name;
    line += ' ';
    line += moduleTypeWord(info.type);
    for (boost::logic::tribool flag : {info.isPrivate, info.unprivileged, info.chroot}) {
        line += ' ';
        line += flagText(flag);
    }
    line += ' ';
    if (info.wakeup == -1)
        line += '-';
    else
        line += std::to_string(info.wakeup) + (info.wakeupWhenUsed ? "?" : "");
    line += ' ';
    line += info.maxproc == -1 ? std::string("-") : std::to_string(info.maxproc);
    for (const std::string& word : info.command)
        line += ' ' + word;
    return line;
}

bool isMasterCfWord(const std::string& value) {
    if (value.empty())
        return false;
    for (unsigned char c : value)
        if (c < 0x21 || c > 0x7e || c == '#')
            return false;
    return true;
}

void checkMasterCfWord(const std::string& what, const std::string& value) {
    if (!isMasterCfWord(value))
        throw std::invalid_argument(what + " \"" + value +
                                    "\" is empty or holds white space, a control character "
                                    "or \"#\"");
}

}  // namespace quarn::mail::postfix
