// The service commands: start, stop, restart, reload and status of the
// selected mail components (Postfix and its SMTP listeners, Courier-IMAP,
// the milter).
#include "mail/postfix/commands/commands.h"

#include <iostream>
#include <string>

#include <boost/program_options/value_semantic.hpp>

#include "mail/lib/daemons/daemon_control.h"
#include "mail/postfix/options/option_types.h"
#include "mail/postfix/options/program_options_helper.h"
#include "mail/postfix/commands/service_components.h"
#include "mail/postfix/services/service_manager.h"

namespace po = boost::program_options;

namespace quarn::mail::postfix::mxwarden_commands {

namespace {

/// One of start, stop and restart.
struct ServiceAction {
    const char* word;  // the init scripts' action
    bool (*switchListeners)(unsigned int mask);
    int (*postfix)();
    // A start leaves a running Postfix as it was, so it still needs the
    // reload; a stop or a restart does not.
    bool reloadAfterPostfix;
    int (*milter)();
};

const ServiceAction START = {"start", checkEnablePostfixModules, ServiceManager::startServer,
                             true, ServiceManager::startMilter};
const ServiceAction STOP = {"stop", checkDisablePostfixModules, ServiceManager::stopServer,
                            false, ServiceManager::stopMilter};
const ServiceAction RESTART = {"restart", checkEnablePostfixModules,
                               ServiceManager::restartServer, false,
                               ServiceManager::restartMilter};

/// The component mask of the command line, all when none was given.
unsigned int parseComponents(const char* description, int argc, char** argv) {
    SelectedMailComponents selected;
    ProgramOptionsHelper options(
        description,
        std::string(argv[0]) +
            " [--mail-component={mta|smtp|smtps|submission|pop3|imap|pop3s|imaps|milter|all}]"
            " [--mail-component=...]");
    options.addOptions()(
        "mail-component", po::value<SelectedMailComponents>(&selected),
        "mail component name (mta|smtp|smtps|submission|pop3|imap|pop3s|imaps|milter|all) "
        "(default all)");
    standardOptionsParse(options, argc, argv);
    return effectiveComponents(selected.mask);
}

/// Any non-zero status makes the command's status 1.
void note(int& result, int status) {
    if (status != 0)
        result = 1;
}

int runAction(const ServiceAction& action, unsigned int mask) {
    const bool changed = action.switchListeners(mask);
    int result = 0;
    if (mask & MTA)
        note(result, guardedPostfixCall(action.postfix));
    // The listeners live in master.cf: a running Postfix must read it again.
    if (changed && (!(mask & MTA) || action.reloadAfterPostfix))
        note(result, guardedPostfixCall(ServiceManager::reloadIfRunning));
    if (mask & COURIER_COMPONENTS)
        note(result, restart_daemon(COURIER_SERVICE, action.word));
    if (mask & MILTER)
        note(result, action.milter());
    return result;
}

}  // namespace

int startService(int argc, char** argv) {
    return runAction(START, parseComponents("start a service", argc, argv));
}

int stopService(int argc, char** argv) {
    return runAction(STOP, parseComponents("stop a service", argc, argv));
}

int restartService(int argc, char** argv) {
    return runAction(RESTART, parseComponents("restart a service", argc, argv));
}

// The listener bits alone change nothing, and the milter has no reload.
int reloadService(int argc, char** argv) {
    const unsigned int mask = parseComponents("reload a service", argc, argv);
    int result = 0;
    if (mask & MTA)
        note(result, guardedPostfixCall(ServiceManager::reloadServer));
    if (mask & COURIER_COMPONENTS)
        note(result, restart_daemon(COURIER_SERVICE, "reload"));
    return result;
}

int statusService(int argc, char** argv) {
    const unsigned int mask = parseComponents("get service status", argc, argv);
    if (mask & MTA) {
        std::cout << "mta ";
        print_status(ServiceManager::statusServer(0));
    }
    if (mask & COURIER_COMPONENTS) {
        // One Courier-IMAP serves all four: asked once, told per component.
        const int courier = restart_daemon(COURIER_SERVICE, "status");
        const struct {
            MailComponents bit;
            const char* name;
        } parts[] = {{POP3, "pop3 "}, {POP3S, "pop3s "}, {IMAP, "imap "}, {IMAPS, "imaps "}};
        for (const auto& part : parts)
            if (mask & part.bit) {
                std::cout << part.name;
                print_status(courier);
            }
    }
    if (mask & MILTER) {
        std::cout << "milter ";
        print_status(ServiceManager::statusMilter());
    }
    return 0;
}

}  // namespace quarn::mail::postfix::mxwarden_commands
