// Running one init script for one action, its output kept in the panel's
// daemon-control log.
#ifndef QUARN_MAIL_LIB_DAEMONS_RC_SCRIPT_H
#define QUARN_MAIL_LIB_DAEMONS_RC_SCRIPT_H

#include <string>

/// The daemon-control log: PRODUCT_ROOT_D followed by "/tmp/rc_actions.log".
std::string rc_actions_log_path();

/// Runs the init script `path` with the single argument `action` in a new
/// session, from the script's directory, its output appended to the
/// daemon-control log. 0 when it exits with 0, -1 otherwise (a non-zero
/// "status" answer is not reported). A missing or non-regular script ends
/// the program with status 1.
int rc_script(const char* path, const char* action);

#endif
