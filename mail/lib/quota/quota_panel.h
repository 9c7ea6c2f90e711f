// What the quota functions take from the panel database: the connection,
// statements about one domain, and quota values read as numbers.
#ifndef QUARN_MAIL_LIB_QUOTA_QUOTA_PANEL_H
#define QUARN_MAIL_LIB_QUOTA_QUOTA_PANEL_H

#include <mysql.h>
#include <stddef.h>

#include <memory>

#include "mail/lib/quota/quota_types.h"

/// The buffer a statement of the quota functions must fit in.
const size_t QUOTA_QUERY_MAX = 4096;

/// A connection to the panel database; null after the message "unable to
/// connect to MySQL".
MYSQL* quota_panel_connect();

/// `format`, whose one "%s" takes the escaped ASCII form of `domain`, into
/// `query` of `size` bytes; false after a message.
bool quota_domain_query(MYSQL* my, char* query, size_t size, const char* format,
                        const char* domain);

/// A quota or limit of the panel database as a number: an optional sign
/// and decimal digits that fit a signed 64-bit value, nothing else. False
/// for any other text, for an empty one and for none.
bool panel_quota_value(const char* text, sizequota_t* value);

#endif
