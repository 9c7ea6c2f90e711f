// mxwarden: one mail-system operation per run, for the hosting panel.
#include <syslog.h>

#include "lib/errors/log.h"
#include "mail/postfix/commands/dispatch.h"

int main(int argc, char** argv) {
    quarn_log_init(nullptr, 6, LOG_MAIL, LOG_PERROR, "mxwarden");
    return quarn::mail::postfix::runReportingExceptions(
        [&] { return quarn::mail::postfix::do_main(argc, argv); });
}
