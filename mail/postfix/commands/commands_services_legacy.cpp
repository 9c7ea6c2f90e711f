// The legacy one-word service commands. They take no options: every further
// argument, --help included, is ignored.
#include "mail/postfix/commands/commands.h"

#include "mail/lib/daemons/daemon_control.h"
#include "mail/postfix/options/option_types.h"
#include "mail/postfix/commands/service_components.h"
#include "mail/postfix/config/module_definitions.h"
#include "mail/postfix/config/module_manager.h"
#include "mail/postfix/services/service_manager.h"

namespace quarn::mail::postfix::mxwarden_commands {

int startSMTPD(int, char**) {
    if (checkEnablePostfixModules(SMTP | SMTPS))
        ServiceManager::reloadIfRunning();
    return 0;
}

int restartSMTPD(int argc, char** argv) { return startSMTPD(argc, argv); }

int stopSMTPD(int, char**) {
    if (checkDisablePostfixModules(SMTP | SMTPS))
        ServiceManager::reloadIfRunning();
    return 0;
}

int statusMTA(int, char**) { return print_status(ServiceManager::statusServer(0)); }
int startMTA(int, char**) { return ServiceManager::startServer(); }
int stopMTA(int, char**) { return ServiceManager::stopServer(); }

int startIMAP(int, char**) { return restart_daemon(COURIER_SERVICE, "start"); }
int stopIMAP(int, char**) { return restart_daemon(COURIER_SERVICE, "stop"); }
int restartIMAP(int, char**) { return restart_daemon(COURIER_SERVICE, "restart"); }
int statusIMAP(int, char**) { return print_status(restart_daemon(COURIER_SERVICE, "status")); }

int startMilter(int, char**) { return ServiceManager::startMilter(); }
int stopMilter(int, char**) { return ServiceManager::stopMilter(); }
int restartMilter(int, char**) { return ServiceManager::restartMilter(); }
int statusMilter(int, char**) { return print_status(ServiceManager::statusMilter()); }

int enableSubmission(int, char**) {
    ServiceManager::addOrEnableModule(SubmissionModule());
    return 0;
}

int disableSubmission(int, char**) {
    ModuleManager& manager = ModuleManager::getInstance();
    manager.loadModules(false);
    ServiceManager::disableSubmission(manager);
    if (manager.storeModules(false))
        ServiceManager::reloadIfRunning();
    return 0;
}

}  // namespace quarn::mail::postfix::mxwarden_commands
