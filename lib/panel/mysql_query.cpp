#include "lib/panel/mysql_query.h"

#include "lib/errors/log.h"
#include "lib/panel/mysql_handle.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <syslog.h>

namespace {

/// A NULL-terminated array of malloc'ed strings under construction, freed
/// unless it is handed over.
class NameArray {
public:
    NameArray() = default;
    ~NameArray() { free_names_list(names_); }
    NameArray(const NameArray&) = delete;
    NameArray& operator=(const NameArray&) = delete;

    bool reserve(size_t count) {
        names_ = static_cast<char**>(std::calloc(count + 1, sizeof(char*)));
        return names_ != nullptr;
    }
    // A NULL value becomes an empty name, so that the list keeps every row.
    bool add(const char* value) {
        char* copy = strdup(value ? value : "");
        if (!copy)
            return false;
        names_[count_++] = copy;
        return true;
    }
    char** release() {
        char** names = names_;
        names_ = nullptr;
        return names;
    }

private:
    char** names_ = nullptr;
    size_t count_ = 0;
};

int collectNames(MYSQL* my, char*** names) {
    quarn::MysqlResult result(mysql_store_result(my));
    if (!result) {
        if (mysql_field_count(my) == 0)
            return 0;  // A statement without a result set has no names.
        quarn_log(LOG_ERR, "Unable to get data from mysql database: %s", mysql_error(my));
        return -1;
    }
    my_ulonglong rows = mysql_num_rows(result.get());
    if (rows == 0)
        return 0;
    NameArray list;
    if (!list.reserve(rows)) {
        quarn_log(LOG_ERR, "Query error: %s", std::strerror(ENOMEM));
        return -1;
    }
    while (MYSQL_ROW row = mysql_fetch_row(result.get())) {
        if (!list.add(row[0])) {
            quarn_log(LOG_ERR, "Query error: %s", std::strerror(ENOMEM));
            return -1;
        }
    }
    *names = list.release();
    return 0;
}

}  // namespace

int exec_mysql_query(MYSQL* my, const char* query, char*** names) {
    *names = nullptr;
    quarn::MysqlSession session(my);
    if (!session.get()) {
        quarn_log(LOG_ERR, "Unable to connect to mysql database");
        return -1;
    }
    if (mysql_query(session.get(), query) != 0) {
        quarn_log(LOG_ERR, "Failed to exec query, Error: %s", mysql_error(session.get()));
        return -1;
    }
    return collectNames(session.get(), names);
}

void free_names_list(char** names) {
    if (!names)
        return;
    for (char** name = names; *name; ++name)
        std::free(*name);
    std::free(names);
}

void mysql_escape_connection_failed() {
    quarn_log(LOG_ERR, "Unable to connect to mysql database for query escape");
    std::exit(1);
}

char* mysql_real_escape_entity(MYSQL* my, const char* text) {
    quarn::MysqlSession session(my);
    if (!session.get())
        mysql_escape_connection_failed();
    size_t length = std::strlen(text);
    char* escaped = static_cast<char*>(std::malloc(2 * length + 1));
    if (!escaped) {
        quarn_log(LOG_ERR, "Unable to allocate memory for SQL query escape");
        std::exit(1);
    }
    mysql_real_escape_string(session.get(), escaped, text, length);
    return escaped;
}
