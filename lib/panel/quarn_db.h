// Connections to the panel database: MySQL on localhost, user "admin",
// database "vel", with the password of the panel's admin password file.
#ifndef QUARN_LIB_PANEL_QUARN_DB_H
#define QUARN_LIB_PANEL_QUARN_DB_H

#include <mysql.h>

#include <cstddef>

/// The file whose first line is the admin's database password.
extern const char* const QUARN_DB_PASSWORD_FILE;

/// Connects; null with the reason in `msgbuf` on failure.
MYSQL* quarn_db_connect_raw_ex(char* msgbuf, size_t size);
/// quarn_db_connect_raw_ex, and null when the connection reports an error.
MYSQL* quarn_db_connect_raw(char* msgbuf, size_t size);
/// quarn_db_connect_raw, then "SET NAMES utf8"; a failure of that is put in
/// `msgbuf` but the connection is still returned.
MYSQL* quarn_db_connect_ex(char* msgbuf, size_t size);
/// quarn_db_connect_ex, and null when the connection then reports an error.
MYSQL* quarn_db_connect(char* msgbuf, size_t size);
MYSQL* db_connect_nothrow(char* msgbuf, size_t size);
/// db_connect_nothrow; on failure the reason is logged and null returned.
MYSQL* db_connect();

#endif
