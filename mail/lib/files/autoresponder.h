// The autoresponder as a mail handler: registered for, or removed from,
// every address of some mailnames at some domains.
#ifndef QUARN_MAIL_LIB_FILES_AUTORESPONDER_H
#define QUARN_MAIL_LIB_FILES_AUTORESPONDER_H

enum AutoresponderAction {
    AUTORESPONDER_REGISTER = 2,
    AUTORESPONDER_UNREGISTER = 3,
};

/// The hook program the autoresponder handler runs.
extern const char* const AUTORESPONDER_HOOK;

/// Registers (2) or unregisters (3) the autoresponder for every mailname at
/// every domain; both lists are split at commas and blanks. Any other
/// action does nothing. 0, or -1 logged.
int autoresponder_action(const char* mailnames, const char* domains, int action);

#endif
