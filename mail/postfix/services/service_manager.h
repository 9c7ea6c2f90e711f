// Start, stop, restart, reload and status of Postfix through its init
// script, and of the milter through the daemon control of the mail library;
// the SMTP listeners switched on and off in master.cf.
#ifndef QUARN_MAIL_POSTFIX_SERVICES_SERVICE_MANAGER_H
#define QUARN_MAIL_POSTFIX_SERVICES_SERVICE_MANAGER_H

#include <string>

#include "mail/postfix/config/module_info.h"

namespace quarn::mail::postfix {

class ModuleManager;

/// Postfix's init script.
extern const char* const POSTFIX_INIT_SCRIPT;
/// The milter's service name.
extern const char* const MILTER_SERVICE;

class ServiceManager {
public:
    /// Runs Postfix's init script with `action`, input from /dev/null, its
    /// output and errors on this program's standard output, environment
    /// exactly "LANG=C". The exit status; 255 when killed by a signal. An
    /// exec failure throws the process layer's exception.
    static int rcCommand(const std::string& action);

    static int reloadServer();
    /// The script's failure, else 1 unless the queue manager comes up
    /// within 5 seconds.
    static int restartServer();
    /// As restartServer; 0 without running the script when Postfix runs.
    static int startServer();
    /// 0 without running the script when Postfix does not run.
    static int stopServer();
    /// 0 when Postfix runs, checked once a second up to waitSeconds; else 1.
    static int statusServer(long waitSeconds);

    static int startMilter();
    static int stopMilter();
    static int statusMilter();
    static int restartMilter();

    /// Switch a listener on in a loaded manager: its entry moved back from
    /// the disabled file (text kept), or the definition's line added. Only
    /// name and type identify it. Nothing is stored.
    static void enableSmtpd(ModuleManager& manager);
    static void enableSmtpsd(ModuleManager& manager);
    static void enableSubmission(ModuleManager& manager);
    /// Switch a listener off (moved to the disabled file); nothing is stored.
    static void disableSmtpd(ModuleManager& manager);
    static void disableSmtpsd(ModuleManager& manager);
    static void disableSubmission(ModuleManager& manager);

    /// Switches `info` on in Postfix's master.cf and stores it. When
    /// master.cf was written and Postfix's master runs, its reload's result;
    /// else 0 (a stopped Postfix reads the file when it starts).
    static int addOrEnableModule(const ModuleInfo& info);
    /// Reloads Postfix when its master runs; 0 when it does not.
    static int reloadIfRunning();
};

}  // namespace quarn::mail::postfix

#endif
