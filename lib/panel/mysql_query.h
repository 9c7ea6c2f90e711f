// Plain-function access to the panel database: running a statement into a
// list of names, and escaping names for the statement text.
#ifndef QUARN_LIB_PANEL_MYSQL_QUERY_H
#define QUARN_LIB_PANEL_MYSQL_QUERY_H

#include <mysql.h>

/// Runs `query` and collects the first column of every row into `names`:
/// a NULL-terminated array of malloc'ed strings, or null when there were no
/// rows. A null connection connects and closes again. 0, or -1 logged.
int exec_mysql_query(MYSQL* my, const char* query, char*** names);

/// Frees a list of exec_mysql_query; null is allowed.
void free_names_list(char** names);

/// `text` escaped for a quoted SQL string, malloc'ed. Without a connection
/// it connects by itself; failing that, or without memory, the process ends
/// with status 1.
char* mysql_real_escape_entity(MYSQL* my, const char* text);

/// Ends the process as mysql_real_escape_entity does when it cannot
/// connect; for helpers that connect once for both escaping and querying.
[[noreturn]] void mysql_escape_connection_failed();

#endif
