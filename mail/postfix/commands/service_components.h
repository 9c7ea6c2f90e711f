// What the service commands share: the selected components, the SMTP
// listeners switched after them, and the status line.
#ifndef QUARN_MAIL_POSTFIX_COMMANDS_SERVICE_COMPONENTS_H
#define QUARN_MAIL_POSTFIX_COMMANDS_SERVICE_COMPONENTS_H

namespace quarn::mail::postfix::mxwarden_commands {

/// The components of Courier-IMAP: pop3, imap, pop3s and imaps.
constexpr unsigned int COURIER_COMPONENTS = 240;
/// The SMTP listeners of master.cf: smtp, smtps and submission.
constexpr unsigned int LISTENER_COMPONENTS = 14;
/// Courier-IMAP's service name.
extern const char* const COURIER_SERVICE;

/// The mask a command acts on: all components when none was given.
unsigned int effectiveComponents(unsigned int mask);

/// Switches on the smtp and smtps listeners of `mask`, and switches
/// submission on or off after the panel's "message_submission" setting;
/// stores master.cf. True when master.cf was rewritten.
bool checkEnablePostfixModules(unsigned int mask);
/// Switches off the listeners of `mask`; submission only while the panel's
/// setting is off. True when master.cf was rewritten.
bool checkDisablePostfixModules(unsigned int mask);

/// "is running" for 0, else "is stopped", on standard output; returns 0.
int print_status(int code);

/// The result of a Postfix operation, an exception from it reported on the
/// spot and turned into 1, so that the other components are still served.
int guardedPostfixCall(int (*operation)());

}  // namespace quarn::mail::postfix::mxwarden_commands

#endif
