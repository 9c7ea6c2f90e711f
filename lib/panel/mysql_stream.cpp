#include "lib/panel/mysql_stream.h"

#include "lib/panel/quarn_db.h"

#include <cstdio>

namespace quarn::mysql {

mError::mError(const std::string& message) : message_(message) {}

mError::mError(MYSQL* my, const std::string& context) {
    unsigned number = my ? mysql_errno(my) : 0;
    if (number)
        message_ = "MySQL error " + std::to_string(number) + ": " + mysql_error(my) + context;
    else
        message_ = "Unknown error\n" + context;
}

mError::~mError() {}

const char* mError::what() const noexcept { return message_.c_str(); }

Result::Result(MYSQL_RES* result) : result_(result) {
    if (!result_)
        return;
    unsigned count = mysql_num_fields(result_.get());
    MYSQL_FIELD* fields = mysql_fetch_fields(result_.get());
    for (unsigned i = 0; i < count; ++i) {
        std::string name(fields[i].name, fields[i].name_length);
        for (const std::string& seen : names_) {
            // Rows are maps by name: a second column of one name would hide the first.
            if (seen == name)
                throw mError("duplicated field " + name + " in query");
        }
        names_.push_back(name);
    }
}

bool Result::fetch(row_t* row) {
    if (!result_)
        return false;
    MYSQL_ROW values = mysql_fetch_row(result_.get());
    if (!values)
        return false;
    unsigned long* lengths = mysql_fetch_lengths(result_.get());
    row->clear();
    for (size_t i = 0; i < names_.size(); ++i) {
        field_t& field = (*row)[names_[i]];
        field.isNull = values[i] == nullptr;
        if (values[i])
            field.value.assign(values[i], lengths[i]);
    }
    return true;
}

Connection::Connection(bool openNow) {
    if (openNow)
        open();
}

Connection::Connection(MYSQL* handle, bool owned) : my_(handle), owned_(owned) {}

Connection::~Connection() {
    if (owned_ && my_)
        mysql_close(my_);
}

void Connection::open() {
    if (my_)
        return;
    my_ = db_connect();
    if (!my_)
        throw mError("connection failed");
    owned_ = true;
}

Connection& Connection::operator<<(Query::Mode mode) {
    mode_ = mode;
    return *this;
}

Connection& Connection::operator<<(const char* text) {
    // A null text in any mode spoils the statement rather than sending half.
    if (!text) {
        statement_.setstate(std::ios::failbit);
        mode_ = Query::raw;
        return *this;
    }
    insert(text);
    return *this;
}

Connection& Connection::operator<<(const std::string& text) {
    insert(text);
    return *this;
}

Connection& Connection::operator<<(int number) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", number);
    insert(text);
    return *this;
}

Connection& Connection::operator<<(double number) {
    int length = std::snprintf(nullptr, 0, "%f", number);
    std::string text(length + 1, '\0');
    std::snprintf(&text[0], text.size(), "%f", number);
    text.resize(length);
    insert(text);
    return *this;
}

Connection& Connection::operator<<(std::uint64_t number) {
    insert(std::to_string(number));
    return *this;
}

std::uint64_t Connection::operator<<(Query::exec_t) {
    send();
    // A statement with a result set must have it read before the next one.
    MYSQL_RES* rows = mysql_store_result(my_);
    if (!rows && mysql_errno(my_))
        throw mError(my_, " fetching result");
    std::uint64_t affected = mysql_affected_rows(my_);
    if (rows)
        mysql_free_result(rows);
    return affected;
}

Result Connection::operator<<(Query::fetch_t) {
    send();
    MYSQL_RES* rows = mysql_store_result(my_);
    if (!rows && mysql_errno(my_))
        throw mError(my_, " fetching result");
    return Result(rows);
}

std::string Connection::escape(const std::string& text) {
    open();
    std::string escaped(2 * text.size() + 1, '\0');
    unsigned long length = mysql_real_escape_string(my_, &escaped[0], text.data(), text.size());
    escaped.resize(length);
    return escaped;
}

std::string Connection::escape_name(const std::string& text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (char c : text) {
        if (c == '`')
            escaped += '`';
        escaped += c;
    }
    return escaped;
}

void Connection::insert(const std::string& text) {
    Query::Mode mode = mode_;
    mode_ = Query::raw;
    switch (mode) {
    case Query::raw:
        statement_ << text;
        break;
    case Query::value:
        statement_ << escape(text);
        break;
    case Query::name:
        statement_ << escape_name(text);
        break;
    }
}

// Sends the statement written so far and starts an empty one.
void Connection::send() {
    std::string text = statement_.str();
    bool spoiled = statement_.fail();
    statement_.str("");
    statement_.clear();
    mode_ = Query::raw;
    if (spoiled)
        throw mError("null text inserted into query: " + text);
    open();
    if (mysql_real_query(my_, text.data(), text.size()) != 0)
        throw mError(my_, " executing query: " + text);
}

}  // namespace quarn::mysql
