// The DomainKeys signing keys of domains under /etc/domainkeys.
#ifndef QUARN_MAIL_LIB_FILES_DOMAIN_KEYS_H
#define QUARN_MAIL_LIB_FILES_DOMAIN_KEYS_H

/// The directory of every domain's key directory.
extern const char* const DOMAINKEYS_DIR;

/// The key file of `domain` ("/etc/domainkeys/<domain in lower case>/default"),
/// newly allocated (free it), or null after a message when the lower-cased
/// name is not a valid domain name.
char* get_domainkeys_file(const char* domain);

/// 1 when the domain's key file exists and is a regular file, else 0.
int domainkeys_enabled(const char* domain);

/// Copies `keyFile` to the key file of each domain of the comma-separated
/// list: owner root, group popuser's, mode 0440, put in place by a rename.
/// A refused domain makes the result -1; the others are still done.
int set_domain_key(const char* domains, const char* keyFile);

/// set_domain_key of the source domain's key; 0 when it has none.
int clone_domain_key(const char* sourceDomain, const char* targetDomains);

/// Removes the key directory of each domain of the comma-separated list.
int remove_domain_key(const char* domains);

#endif
