// The POP3-before-SMTP switch of the milter's settings file.
#ifndef QUARN_MAIL_POSTFIX_LIB_POP_AUTH_H
#define QUARN_MAIL_POSTFIX_LIB_POP_AUTH_H

/// The milter's settings file.
extern const char* const MILTER_SETTINGS_FILE;

/// Appends "kx_milter_pop_before_smtp=1" (twice enabled, twice there). 0 or 1.
int enablePopAuth();
/// Drops every line that begins with "kx_milter_pop_before_smtp". 0 or 1.
int disablePopAuth();

#endif
