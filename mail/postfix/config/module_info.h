// One service entry of master.cf and its line form.
#ifndef QUARN_MAIL_POSTFIX_CONFIG_MODULE_INFO_H
#define QUARN_MAIL_POSTFIX_CONFIG_MODULE_INFO_H

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <boost/logic/tribool.hpp>

namespace quarn::mail::postfix {

/// The service type column. Postfix knows five; the first three are the
/// ones this system writes, the others are kept as found.
enum ModuleType { INET = 0, UNIX = 1, FIFO = 2, UNIX_DGRAM = 3, PASS = 4 };

/// The type word of master.cf ("inet", "unix", ...).
const char* moduleTypeWord(ModuleType type);

/// One service: the eight columns of a logical master.cf line.
struct ModuleInfo {
    std::string name;
    ModuleType type;
    boost::logic::tribool isPrivate;
    boost::logic::tribool unprivileged;
    boost::logic::tribool chroot;
    int32_t wakeup;  ///< -1 is "-"
    bool wakeupWhenUsed;
    int32_t maxproc;  ///< -1 is "-"
    /// The command name, then its words; an element may hold a space
    /// ("-o name=value") and is written as it stands.
    std::vector<std::string> command;

    ModuleInfo() { reset(); }
    virtual ~ModuleInfo() = default;
    ModuleInfo(const ModuleInfo&) = default;
    ModuleInfo& operator=(const ModuleInfo&) = default;

    /// Back to a new entry: inet, flags not given but chroot "n", no
    /// wakeup, no maxproc, no command.
    void reset();
    /// The (name, type) key of the entry.
    std::pair<std::string, ModuleType> key() const { return {name, type}; }
};

/// The single line that the system writes for `info`: the columns joined by
/// one space ("smtp inet n - n - - smtpd").
std::string moduleLine(const ModuleInfo& info);

/// Whether `value` can stand in a master.cf column or a table record as one
/// word: not empty, printable ASCII without white space or "#".
bool isMasterCfWord(const std::string& value);

/// Throws std::invalid_argument "<what> "<value>" is empty or holds white
/// space, a control character or "#"" unless isMasterCfWord(value).
void checkMasterCfWord(const std::string& what, const std::string& value);

}  // namespace quarn::mail::postfix

#endif
