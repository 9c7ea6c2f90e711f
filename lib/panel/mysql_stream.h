// A small query-stream client of the panel database: statements are written
// into the connection with <<, and sent by inserting Query::exec or
// Query::fetch. Failures throw mError.
#ifndef QUARN_LIB_PANEL_MYSQL_STREAM_H
#define QUARN_LIB_PANEL_MYSQL_STREAM_H

#include "lib/panel/mysql_handle.h"

#include <cstdint>
#include <exception>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace quarn::mysql {

/// A failure of the panel database: connecting, a statement or its result.
class mError : public std::exception {
public:
    explicit mError(const std::string& message);
    /// The connection's last error followed by `context`.
    mError(MYSQL* my, const std::string& context);
    ~mError() override;
    const char* what() const noexcept override;

private:
    std::string message_;
};

/// One column of a fetched row.
struct field_t {
    std::string value;
    bool isNull = true;
};

/// A fetched row by column name.
using row_t = std::map<std::string, field_t>;

/// Markers inserted into a Connection.
struct Query {
    /// How the next insertion is written: unchanged, escaped as a quoted
    /// value, or as a backquoted name.
    enum Mode { raw, value, name };
    struct exec_t {};
    struct fetch_t {};
    static constexpr exec_t exec{};
    static constexpr fetch_t fetch{};
};

/// The stored result set of one statement.
class Result {
public:
    /// Takes over `result` (null: a statement without rows); two columns of
    /// one name throw mError.
    explicit Result(MYSQL_RES* result);

    /// The next row into `row`; false when there are no more.
    bool fetch(row_t* row);
    const std::vector<std::string>& fieldNames() const { return names_; }

private:
    MysqlResult result_;
    std::vector<std::string> names_;
};

/// A connection to the panel database and the statement being written.
class Connection {
public:
    /// Without openNow the connection is made by open() or by the first
    /// statement that needs it.
    explicit Connection(bool openNow = true);
    /// An existing handle, closed at the end only when `owned`.
    Connection(MYSQL* handle, bool owned);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    /// Connects with db_connect(); throws mError("connection failed").
    void open();
    bool isOpen() const { return my_ != nullptr; }
    MYSQL* handle() const { return my_; }

    Connection& operator<<(Query::Mode mode);
    Connection& operator<<(const char* text);
    Connection& operator<<(const std::string& text);
    Connection& operator<<(int number);
    Connection& operator<<(double number);
    Connection& operator<<(std::uint64_t number);
    /// Sends the statement; the number of affected rows.
    std::uint64_t operator<<(Query::exec_t);
    /// Sends the statement; its result set.
    Result operator<<(Query::fetch_t);

    /// `text` escaped for a quoted value.
    std::string escape(const std::string& text);
    /// `text` with every backquote doubled, for a backquoted name.
    static std::string escape_name(const std::string& text);

    /// The statement written so far.
    std::string statement() const { return statement_.str(); }
    /// True after a null text was inserted; the statement will not be sent.
    bool failed() const { return statement_.fail(); }

private:
    void insert(const std::string& text);
    void send();

    std::ostringstream statement_;
    MYSQL* my_ = nullptr;
    bool owned_ = true;
    Query::Mode mode_ = Query::raw;
};

}  // namespace quarn::mysql

#endif
