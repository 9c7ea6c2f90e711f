// Rows of the panel database made for one test and deleted again when the
// test ends, also after a failed assertion. Ids are taken above the largest
// in use, so the fixture works whether or not the sandbox's ids count up by
// themselves.
#ifndef TESTS_SANDBOXED_PANEL_PANEL_ROWS_H
#define TESTS_SANDBOXED_PANEL_PANEL_ROWS_H

#include "lib/panel/quarn_db.h"

#include <mysql.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace testsupport {

class PanelRows {
public:
    PanelRows() : my_(db_connect()) {
        if (!my_)
            throw std::runtime_error("cannot connect to the panel database");
    }
    ~PanelRows() {
        for (auto undo = undo_.rbegin(); undo != undo_.rend(); ++undo)
            mysql_query(my_, undo->c_str());
        mysql_close(my_);
    }
    PanelRows(const PanelRows&) = delete;
    PanelRows& operator=(const PanelRows&) = delete;

    MYSQL* handle() const { return my_; }

    int addDomain(const std::string& name, const std::string& webspaceId = "0",
                  int limitsId = 0) {
        return insert("domains", "name, webspace_id, limits_id",
                      quote(name) + ", " + webspaceId + ", " + n(limitsId));
    }
    int addDomainAlias(int domId, const std::string& name) {
        return insert("domainaliases", "dom_id, name", n(domId) + ", " + quote(name));
    }
    int addMailname(int domId, const std::string& name, const std::string& quota = "-1") {
        return insert("mail", "dom_id, mail_name, mbox_quota",
                      n(domId) + ", " + quote(name) + ", " + quota);
    }
    int addMailAlias(int mnId, const std::string& alias) {
        return insert("mail_aliases", "mn_id, alias", n(mnId) + ", " + quote(alias));
    }
    /// A new limit set holding one limit; its id.
    int addLimit(const std::string& name, const std::string& value) {
        return insert("Limits", "limit_name, value", quote(name) + ", " + quote(value));
    }
    /// Sets (or, with a null value, sets to NULL) a misc setting; the old
    /// rows come back at the end.
    void setMisc(const std::string& param, const char* val) {
        std::string where = " WHERE param=" + quote(param);
        saveMisc(where);
        exec("DELETE FROM misc" + where);
        exec("INSERT INTO misc (param, val) VALUES (" + quote(param) + ", " +
             (val ? quote(val) : std::string("NULL")) + ")");
    }
    /// Removes a misc setting; the old rows come back at the end.
    void clearMisc(const std::string& param) {
        std::string where = " WHERE param=" + quote(param);
        saveMisc(where);
        exec("DELETE FROM misc" + where);
    }

    void exec(const std::string& sql) {
        forEachRow(sql, [](MYSQL_ROW) {});
    }

private:
    static std::string n(int number) { return std::to_string(number); }

    std::string quote(const std::string& text) const {
        std::string escaped(2 * text.size() + 1, '\0');
        escaped.resize(mysql_real_escape_string(my_, &escaped[0], text.data(), text.size()));
        return "'" + escaped + "'";
    }

    // Inserts a row under a new id, deleted again at the end; the id.
    int insert(const std::string& table, const std::string& columns, const std::string& values) {
        int id = nextId(table);
        exec("INSERT INTO " + table + " (id, " + columns + ") VALUES (" + n(id) + ", " + values +
             ")");
        undo_.push_back("DELETE FROM " + table + " WHERE id=" + n(id));
        return id;
    }

    // Runs `sql` and calls `f` on each row of its result, if it has one.
    void forEachRow(const std::string& sql, const std::function<void(MYSQL_ROW)>& f) {
        if (mysql_query(my_, sql.c_str()) != 0)
            throw std::runtime_error(sql + ": " + mysql_error(my_));
        MYSQL_RES* rows = mysql_store_result(my_);
        while (MYSQL_ROW row = rows ? mysql_fetch_row(rows) : nullptr)
            f(row);
        if (rows)
            mysql_free_result(rows);
    }

    int nextId(const std::string& table) {
        int id = 1;
        forEachRow("SELECT COALESCE(MAX(id), 0) + 1 FROM " + table,
                   [&id](MYSQL_ROW row) { id = row[0] ? std::stoi(row[0]) : 1; });
        return id;
    }

    // Pushes the statements that bring back the current rows of `where`:
    // they run in reverse, so the delete comes first.
    void saveMisc(const std::string& where) {
        forEachRow("SELECT param, val FROM misc" + where, [this](MYSQL_ROW row) {
            undo_.push_back("INSERT INTO misc (param, val) VALUES (" + quote(row[0]) + ", " +
                            (row[1] ? quote(row[1]) : std::string("NULL")) + ")");
        });
        undo_.push_back("DELETE FROM misc" + where);
    }

    MYSQL* my_;
    std::vector<std::string> undo_;
};

}  // namespace testsupport

#endif
