// Keeping the users of domain aliases and mail aliases in step with their
// mailbox; the alias names come from the panel database. Each function
// stops at the first failure (-1); otherwise 1 when it walked a non-empty
// list of aliases or mailnames, 0 when the list was empty.
#ifndef QUARN_MAIL_LIB_AUTH_MAIL_AUTH_PROPAGATE_H
#define QUARN_MAIL_LIB_AUTH_MAIL_AUTH_PROPAGATE_H

/// set_postbox_passwd for name@domain and name@each domain alias.
int set_passwd_for_domains(const char* name, const char* domain, const char* passwd, int flags);
/// set_passwd_for_domains for the mailname and each of its mail aliases.
int set_mass_postbox_passwd(const char* name, const char* domain, const char* passwd, int flags);
/// mailAuthRemove for name@domain and name@each domain alias.
int rm_mname_from_domains(const char* name, const char* domain);
/// Removes the mailname and its mail aliases at the domain and its aliases.
int rm_mails_from_domains(const char* name, const char* domain);
/// `func` for the domain and each of its aliases; `descr` names the action
/// in messages.
int domain_auth_action(const char* domain, int (*func)(const char*), const char* descr);
/// Clones every mailname of the domain, and its mail aliases, to the alias.
int add_domain_auth_alias(const char* domain, const char* alias);
/// Removes the alias's domain row, and its users of mail aliases; 0 or -1.
int rm_domain_auth_alias(const char* alias);

#endif
