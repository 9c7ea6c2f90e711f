// mxwarden: one mail-system operation per run, for the hosting panel.
#include <syslog.h>

#include "lib/errors/log.h"
#include "lib/process/start_state.h"
#include "mail/postfix/entry/dispatch.h"

int main(int argc, char** argv) {
    quarn_log_init(nullptr, 6, LOG_MAIL, LOG_PERROR, "mxwarden");
    quarn::process::finishOutputAtExit();
    int status = quarn::mail::postfix::runReportingExceptions([&] {
        // Whatever signal state the caller left, children are handled alike.
        quarn::process::resetSignals();
        return quarn::mail::postfix::do_main(argc, argv);
    });
    // A report that never reached its reader is no success.
    return quarn::process::finishOutput(status);
}
