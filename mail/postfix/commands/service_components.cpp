#include "mail/postfix/commands/service_components.h"

#include <exception>
#include <iostream>

#include "lib/errors/report.h"
#include "lib/panel/misc_params.h"
#include "mail/postfix/options/option_types.h"
#include "mail/postfix/config/module_manager.h"
#include "mail/postfix/services/service_manager.h"

namespace quarn::mail::postfix::mxwarden_commands {

const char* const COURIER_SERVICE = "courier-imap";

namespace {

/// The panel's choice for the submission listener, false when unset. Read
/// before master.cf is locked, so that no lock waits on the database; a
/// database that cannot be reached ends the command before any change.
bool submissionWanted() {
    quarn::mysql::Connection connection;
    return restore::getBoolMiscParamSafe("message_submission", connection, false);
}

/// The twins: `on` switches the listeners of `mask` on, else off.
bool switchListeners(unsigned int mask, bool on) {
    if ((mask & LISTENER_COMPONENTS) == 0)
        return false;
    const bool submission = (mask & SUBMISSION) != 0 && submissionWanted();
    ModuleManager& manager = ModuleManager::getInstance();
    manager.loadModules(false);
    if (mask & SMTP)
        on ? ServiceManager::enableSmtpd(manager) : ServiceManager::disableSmtpd(manager);
    if (mask & SMTPS)
        on ? ServiceManager::enableSmtpsd(manager) : ServiceManager::disableSmtpsd(manager);
    if (mask & SUBMISSION) {
        if (!submission)
            ServiceManager::disableSubmission(manager);
        else if (on)
            ServiceManager::enableSubmission(manager);
    }
    return manager.storeModules(false);
}

}  // namespace

unsigned int effectiveComponents(unsigned int mask) { return mask == 0 ? ALL : mask; }

bool checkEnablePostfixModules(unsigned int mask) { return switchListeners(mask, true); }

bool checkDisablePostfixModules(unsigned int mask) { return switchListeners(mask, false); }

int print_status(int code) {
    std::cout << (code == 0 ? "is running" : "is stopped") << std::endl;
    return 0;
}

int guardedPostfixCall(int (*operation)()) {
    try {
        return operation();
    } catch (const std::exception& e) {
        reportException(e);
    } catch (...) {
        reportUntypedException();
    }
    return 1;
}

}  // namespace quarn::mail::postfix::mxwarden_commands
