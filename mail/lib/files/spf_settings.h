// The SPF settings files read by the panel's SPF checker.
#ifndef QUARN_MAIL_LIB_FILES_SPF_SETTINGS_H
#define QUARN_MAIL_LIB_FILES_SPF_SETTINGS_H

/// Replaces the content of spfbehavior, spfrules, spfguess and spfexp under
/// /etc/vel-spf with each text that is not null, exactly, in this order.
/// 0, or -1 at the first failure (later files are left alone).
int update_spf(const char* behavior, const char* rules, const char* guess,
               const char* explanation);

#endif
