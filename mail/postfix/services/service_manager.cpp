#include "mail/postfix/services/service_manager.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>

#include "lib/process/process_flags.h"
#include "lib/process/process_launch.h"
#include "lib/util/mk_lock.h"
#include "mail/lib/daemons/daemon_control.h"
#include "mail/postfix/config/module_definitions.h"
#include "mail/postfix/config/module_manager.h"
#include "mail/postfix/services/master_pid.h"

namespace quarn::mail::postfix {

const char* const POSTFIX_INIT_SCRIPT = "/etc/init.d/postfix";
const char* const MILTER_SERVICE = "kx-remote";

int ServiceManager::rcCommand(const std::string& action) {
    const char* const argv[] = {POSTFIX_INIT_SCRIPT, action.c_str(), nullptr};
    // The script sees nothing of the caller's environment but the locale.
    const char* const environment[] = {"LANG=C", nullptr};
    // Our own output first, then the script's on the same descriptor. The
    // daemons the script starts keep none of our descriptors (locks above all).
    std::cout.flush();
    std::fflush(stdout);
    // One script at a time: a stop of one run between the stop and the start
    // of another's restart leaves Postfix down.
    MKLock serialized(POSTFIX_INIT_SCRIPT);
    process::ProcessLaunch launch(argv, POSTFIX_INIT_SCRIPT, nullptr, environment, true, false,
                                  false, {}, process::DevNull, process::Inherit,
                                  process::SameAsStdout);
    launch.waitExec();
    int status = launch.waitExit();
    return WIFEXITED(status) ? WEXITSTATUS(status) : 255;
}

int ServiceManager::reloadServer() { return rcCommand("reload"); }

int ServiceManager::restartServer() {
    int status = rcCommand("restart");
    return status != 0 ? status : statusServer(5);
}

int ServiceManager::startServer() {
    if (statusServer(0) == 0)
        return 0;
    int status = rcCommand("start");
    return status != 0 ? status : statusServer(5);
}

int ServiceManager::stopServer() {
    if (statusServer(0) != 0)
        return 0;
    return rcCommand("stop");
}

int ServiceManager::statusServer(long waitSeconds) {
    for (long i = 0;; ++i) {
        if (isPostfixRunning())
            return 0;
        if (i >= waitSeconds)
            return 1;
        sleep(1);
    }
}

int ServiceManager::startMilter() { return restart_daemon(MILTER_SERVICE, "start"); }
int ServiceManager::stopMilter() { return restart_daemon(MILTER_SERVICE, "stop"); }
int ServiceManager::statusMilter() { return restart_daemon(MILTER_SERVICE, "status"); }
int ServiceManager::restartMilter() { return restart_daemon(MILTER_SERVICE, "restart"); }

namespace {

/// The entry of `definition` switched on: moved back when it exists
/// anywhere (an administrator's edits survive), else written anew.
void switchOn(ModuleManager& manager, const ModuleInfo& definition) {
    if (manager.hasModule(definition.name, definition.type))
        manager.enableModule(definition.name, definition.type);
    else
        manager.addModule(definition, true);
}

void switchOff(ModuleManager& manager, const ModuleInfo& definition) {
    manager.disableModule(definition.name, definition.type);
}

}  // namespace

void ServiceManager::enableSmtpd(ModuleManager& manager) { switchOn(manager, SmtpdModule()); }
void ServiceManager::enableSmtpsd(ModuleManager& manager) { switchOn(manager, SmtpsdModule()); }
void ServiceManager::enableSubmission(ModuleManager& manager) {
    switchOn(manager, SubmissionModule());
}
void ServiceManager::disableSmtpd(ModuleManager& manager) { switchOff(manager, SmtpdModule()); }
void ServiceManager::disableSmtpsd(ModuleManager& manager) { switchOff(manager, SmtpsdModule()); }
void ServiceManager::disableSubmission(ModuleManager& manager) {
    switchOff(manager, SubmissionModule());
}

int ServiceManager::addOrEnableModule(const ModuleInfo& info) {
    ModuleManager& manager = ModuleManager::getInstance();
    manager.loadModules(false);
    switchOn(manager, info);
    return manager.storeModules(false) ? reloadIfRunning() : 0;
}

int ServiceManager::reloadIfRunning() {
    // A reload of a stopped Postfix only fails; it reads master.cf at start.
    // The master is asked, not the queue manager: a reload just before
    // replaces that one, and this reload must not be skipped meanwhile.
    return isMasterRunning() ? reloadServer() : 0;
}

}  // namespace quarn::mail::postfix
