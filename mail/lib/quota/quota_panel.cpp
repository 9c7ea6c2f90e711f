#include "mail/lib/quota/quota_panel.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "lib/util/ascii_to_numeric.h"
#include "lib/util/malloc_string.h"
#include "lib/panel/mysql_mail_escape.h"
#include "lib/panel/quarn_db.h"
#include "mail/lib/quota/quota_log.h"

MYSQL* quota_panel_connect() {
    MYSQL* my = db_connect();
    if (!my)
        quota_log(0, "unable to connect to MySQL");
    return my;
}

bool quota_domain_query(MYSQL* my, char* query, size_t size, const char* format,
                        const char* domain) {
    quarn::MallocString escaped(mysql_escape_mail_entity(my, domain));
    if (!escaped)
        return false;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    int n = std::snprintf(query, size, format, escaped.get());
#pragma GCC diagnostic pop
    if (n < 0 || static_cast<size_t>(n) >= size) {
        quota_log(0, "domain name is too long to fit query buffer");
        return false;
    }
    return true;
}

// Blanks, a fraction or trailing text make it no number, like an empty
// value: such a quota is left to the defaults.
bool panel_quota_value(const char* text, sizequota_t* value) {
    if (!text)
        return false;
    const bool negative = *text == '-';
    const char* p = text + (negative || *text == '+');
    const char* end = p + std::strlen(p);
    // The magnitude of the smallest signed 64-bit value is one above the largest.
    const uint64_t max = negative ? uint64_t(INT64_MAX) + 1 : uint64_t(INT64_MAX);
    int saved = errno;
    uint64_t magnitude = 0;
    bool number = Util::readDecimalDigits(p, end, max, magnitude) && p == end;
    errno = saved;
    if (number)
        *value = negative ? sizequota_t(0 - magnitude) : sizequota_t(magnitude);
    return number;
}
