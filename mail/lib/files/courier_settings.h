// The variables of the Courier-IMAP/POP3 settings files.
#ifndef QUARN_MAIL_LIB_FILES_COURIER_SETTINGS_H
#define QUARN_MAIL_LIB_FILES_COURIER_SETTINGS_H

#include <cstdint>
#include <istream>
#include <string>

/// One change of a settings variable; a null name ends a list of changes.
struct courier_param {
    const char* name;
    int remove;         ///< drop every line of the variable
    const char* value;  ///< else the new value; null is the empty value
};

/// The most changes one list may hold.
enum { COURIER_PARAMS_MAX = 31 };

/// Copies the settings in `in` to `out` with the changes made: the first
/// line "NAME=..." of a changed variable becomes "NAME=value", later ones
/// go, removed variables lose every line, variables not met are appended.
/// False when reading stopped before the end.
bool courier_params_rewrite(std::istream& in, std::string& out, const courier_param* changes);

/// Applies the changes to the files imapd, imapd-ssl, pop3d and pop3d-ssl
/// under COURIER_IMAP_ROOT_D's etc/courier-imap (a missing one is skipped)
/// and restarts Courier-IMAP. 0 or -1.
int set_courier_params_list(const courier_param* changes);

/// RELAYCLIENT (empty value), POPAUTH and SHORTNAMES ("1") set or removed by
/// their flags; POPLOCK_TIME left alone when negative, removed when 0.
int set_courier_params(int relayClient, int popAuth, int16_t popLockTime, int shortNames);
/// Only SHORTNAMES, as set_courier_params does it.
int set_courier_shortnames_params(int shortNames);

#endif
