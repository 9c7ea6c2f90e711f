// Escaping of domain names for the panel database in their ASCII form, as
// the panel stores them.
#ifndef QUARN_LIB_PANEL_MYSQL_MAIL_ESCAPE_H
#define QUARN_LIB_PANEL_MYSQL_MAIL_ESCAPE_H

#include <mysql.h>

/// mysql_real_escape_entity of the ASCII (IDNA) form of a domain name,
/// malloc'ed; null and a log message when the name cannot be converted.
char* mysql_escape_mail_entity(MYSQL* my, const char* name);

#endif
