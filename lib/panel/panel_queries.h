// The panel database queries of the mail code: domain aliases, mailnames,
// mail aliases and domain limits. A null connection makes each function
// connect by itself and close again.
#ifndef QUARN_LIB_PANEL_PANEL_QUERIES_H
#define QUARN_LIB_PANEL_PANEL_QUERIES_H

#include <mysql.h>

/// The domain aliases of `domain` into `names` (see exec_mysql_query): a
/// NULL-terminated malloc'ed list, or null when there are none. 0 or -1.
int get_domaliases_by_domain(MYSQL* my, char*** names, const char* domain);
/// The mailnames of `domain`, as get_domaliases_by_domain.
int get_mailnames_by_domain(MYSQL* my, char*** names, const char* domain);
/// The mail aliases of mailname@domain, as get_domaliases_by_domain.
int get_aliases_by_mailname(MYSQL* my, char*** names, const char* mailname, const char* domain);
/// The domain of a domain alias, malloc'ed, or null when it has none. 0 or -1.
int get_domain_by_domainalias(MYSQL* my, char** domain, const char* alias);
/// The limit `lim_name` of the domain with the id `dom_id`: empty when it
/// has none, null on a database error. The text lives in one buffer that
/// the next call overwrites.
const char* get_dom_Limit(const char* dom_id, const char* lim_name, MYSQL* my);

#endif
