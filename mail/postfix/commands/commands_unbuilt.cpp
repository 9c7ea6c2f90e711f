// Commands whose handlers this build does not have yet. They fail honestly
// through the top-level report instead of pretending to succeed.
#include "mail/postfix/commands/commands.h"

#include <string>

#include "lib/errors/errors.h"

namespace quarn::mail::postfix::mxwarden_commands {

#define UNBUILT(name)                                                        \
    int name(int, char** argv) {                                             \
        throw quarn::NotSupportedError(std::string("command ") + argv[0]);   \
    }

UNBUILT(startService)
UNBUILT(stopService)
UNBUILT(restartService)
UNBUILT(reloadService)
UNBUILT(statusService)
UNBUILT(startSMTPD)
UNBUILT(stopSMTPD)
UNBUILT(restartSMTPD)
UNBUILT(statusMTA)
UNBUILT(startMTA)
UNBUILT(stopMTA)
UNBUILT(startIMAP)
UNBUILT(stopIMAP)
UNBUILT(restartIMAP)
UNBUILT(statusIMAP)
UNBUILT(startMilter)
UNBUILT(stopMilter)
UNBUILT(restartMilter)
UNBUILT(statusMilter)
UNBUILT(enableSubmission)
UNBUILT(disableSubmission)

#undef UNBUILT

}  // namespace quarn::mail::postfix::mxwarden_commands
