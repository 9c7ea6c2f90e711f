// The owner of a MySQL connection handle, and the borrowed-or-own
// connection of the helpers that connect by themselves when given none.
#ifndef QUARN_LIB_PANEL_MYSQL_HANDLE_H
#define QUARN_LIB_PANEL_MYSQL_HANDLE_H

#include <mysql.h>

#include <memory>

namespace quarn {

struct MysqlCloser {
    void operator()(MYSQL* my) const { mysql_close(my); }
};

/// A connection closed when its owner goes.
using MysqlHandle = std::unique_ptr<MYSQL, MysqlCloser>;

struct MysqlResultFreer {
    void operator()(MYSQL_RES* result) const { mysql_free_result(result); }
};

/// A stored result set (null for none), freed when its owner goes.
using MysqlResult = std::unique_ptr<MYSQL_RES, MysqlResultFreer>;

/// The caller's connection when it gave one; otherwise a connection of its
/// own, opened with db_connect() and closed again at the end of the scope.
class MysqlSession {
public:
    explicit MysqlSession(MYSQL* given);
    MysqlSession(const MysqlSession&) = delete;
    MysqlSession& operator=(const MysqlSession&) = delete;

    /// Null when no connection was given and connecting failed.
    MYSQL* get() const { return my_; }

private:
    MysqlHandle own_;
    MYSQL* my_;
};

}  // namespace quarn

#endif
