// Control of the daemons beside Postfix (the IMAP/POP3 server, the milter)
// through their init scripts.
#ifndef QUARN_MAIL_LIB_DAEMONS_DAEMON_CONTROL_H
#define QUARN_MAIL_LIB_DAEMONS_DAEMON_CONTROL_H

/// Runs `action` of `service`; 0 at once when the panel setting
/// NO_RESTART_DAEMON is present. 0 on success, -1 on failure.
int restart_daemon(const char* service, const char* action);

/// Runs `action` of the first init script of `service` that exists among
/// "/etc/init.d/%s", "/etc/init.d/%s.sh" and "/etc/init.d%s"; -1 when none.
int rcd_ctrl(const char* service, const char* action);

#endif
