#include "lib/panel/panel_queries.h"

#include "lib/errors/log.h"
#include "lib/util/malloc_string.h"
#include "lib/panel/mysql_handle.h"
#include "lib/panel/mysql_query.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <syslog.h>

namespace {

using Escaped = quarn::MallocString;

const size_t LIMIT_MAX = 4095;

bool formatQuery(std::string& query, const char* format, ...)
    __attribute__((format(printf, 2, 3)));

bool formatQuery(std::string& query, const char* format, ...) {
    va_list args, again;
    va_start(args, format);
    va_copy(again, args);
    int n = std::vsnprintf(nullptr, 0, format, args);
    bool ok = n >= 0;
    if (ok) {
        try {
            query.resize(n + 1);
            std::vsnprintf(&query[0], query.size(), format, again);
            query.resize(n);
        } catch (const std::bad_alloc&) {
            ok = false;
        }
    }
    va_end(again);
    va_end(args);
    return ok;
}

// Runs a statement of one or two quoted names into `names`, on one
// connection for both the escaping and the query.
int listQuery(MYSQL* my, char*** names, const char* format, const char* first,
              const char* second = "") {
    *names = nullptr;
    quarn::MysqlSession session(my);
    if (!session.get())
        mysql_escape_connection_failed();
    Escaped a(mysql_real_escape_entity(session.get(), first));
    Escaped b(mysql_real_escape_entity(session.get(), second));
    std::string query;
    if (!formatQuery(query, format, a.get(), b.get())) {
        quarn_log(LOG_ERR, "Unable to create database query");
        return -1;
    }
    return exec_mysql_query(session.get(), query.c_str(), names);
}

}  // namespace

int get_domaliases_by_domain(MYSQL* my, char*** names, const char* domain) {
    if (listQuery(my, names,
                  "SELECT da.name FROM domainaliases da JOIN domains d "
                  "WHERE da.dom_id=d.id and d.name='%s'",
                  domain) < 0) {
        quarn_log(LOG_ERR, "Unable to get domain aliases from database for: %s", domain);
        return -1;
    }
    return 0;
}

int get_mailnames_by_domain(MYSQL* my, char*** names, const char* domain) {
    if (listQuery(my, names,
                  "SELECT m.mail_name FROM mail m JOIN domains d "
                  "WHERE m.dom_id=d.id AND d.name='%s'",
                  domain) < 0) {
        quarn_log(LOG_ERR, "Unable to get mailnames from domain: %s", domain);
        return -1;
    }
    return 0;
}

int get_aliases_by_mailname(MYSQL* my, char*** names, const char* mailname, const char* domain) {
    if (listQuery(my, names,
                  "SELECT ma.alias FROM mail_aliases ma JOIN mail m, domains d "
                  "WHERE ma.mn_id=m.id AND m.mail_name='%s' AND m.dom_id=d.id AND d.name='%s'",
                  mailname, domain) < 0) {
        quarn_log(LOG_ERR, "Unable to get aliases for mailname: %s@%s", mailname, domain);
        return -1;
    }
    return 0;
}

int get_domain_by_domainalias(MYSQL* my, char** domain, const char* alias) {
    *domain = nullptr;
    char** names = nullptr;
    if (listQuery(my, &names,
                  "SELECT d.name FROM domains d JOIN domainaliases da "
                  "WHERE d.id=da.dom_id AND da.name='%s'",
                  alias) < 0) {
        quarn_log(LOG_ERR, "Unable to get domain by domainalias: %s", alias);
        return -1;
    }
    if (names) {
        // The first name is handed over, the rest of the list freed.
        *domain = names[0];
        for (char** rest = names + 1; *rest; ++rest)
            std::free(*rest);
        std::free(names);
    }
    return 0;
}

namespace {

// The first column of the first row into `value`: empty without rows.
bool fetchFirstValue(MYSQL* my, const std::string& query, char* value, size_t size) {
    if (mysql_real_query(my, query.data(), query.size()) != 0)
        return false;
    quarn::MysqlResult result(mysql_store_result(my));
    if (!result)
        return false;
    value[0] = '\0';
    MYSQL_ROW row = mysql_fetch_row(result.get());
    if (row && mysql_num_fields(result.get()) > 0 && row[0])
        std::snprintf(value, size, "%s", row[0]);
    return true;
}

}  // namespace

const char* get_dom_Limit(const char* dom_id, const char* lim_name, MYSQL* my) {
    static char limit[LIMIT_MAX + 1];
    quarn::MysqlSession session(my);
    if (!session.get()) {
        quarn_log(LOG_ERR, "Unable to query domain limit %s: %s\n", lim_name,
                  "no connection to the database");
        return nullptr;
    }
    Escaped id(mysql_real_escape_entity(session.get(), dom_id));
    Escaped name(mysql_real_escape_entity(session.get(), lim_name));
    std::string query;
    if (!formatQuery(query,
                     "select l.value from domains d, Limits l \t\t\t\t where d.id='%s' "
                     "and d.limits_id=l.id  and l.limit_name='%s'",
                     id.get(), name.get())) {
        quarn_log(LOG_ERR, "Unable to create database query");
        return nullptr;
    }
    if (!fetchFirstValue(session.get(), query, limit, sizeof limit)) {
        quarn_log(LOG_ERR, "Unable to query domain limit %s: %s\n", lim_name,
                  mysql_error(session.get()));
        return nullptr;
    }
    return limit;
}
