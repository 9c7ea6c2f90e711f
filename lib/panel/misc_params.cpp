#include "lib/panel/misc_params.h"

#include "lib/errors/uerr.h"

#include <ostream>

namespace quarn::mail::restore {

using quarn::mysql::field_t;

field_t getStringMiscParam(const std::string& name, quarn::mysql::Connection& conn) {
    // The name is inserted unescaped: callers pass the program's own
    // constant setting names only.
    quarn::mysql::Result result =
        conn << "SELECT    val  FROM misc    WHERE param='" + name + "'" << quarn::mysql::Query::fetch;
    quarn::mysql::row_t row;
    if (!result.fetch(&row))
        return field_t();
    auto val = row.find("val");
    if (val == row.end())
        throw quarn::mysql::mError("No field named val in result set");
    return val->second;
}

field_t getStringMiscParamSafe(const std::string& name, quarn::mysql::Connection& conn) {
    try {
        return getStringMiscParam(name, conn);
    } catch (const quarn::mysql::mError& e) {
        quarn::uerr << "Warning: MySQL Error on Mail Authentication Type query: " << e.what()
                    << ", ignored" << std::endl;
        return field_t();
    }
}

bool getBoolMiscParamSafe(const std::string& name, quarn::mysql::Connection& conn,
                          bool fallback) {
    field_t value = getStringMiscParamSafe(name, conn);
    if (value.isNull)
        return fallback;
    return value.value == "true";
}

}  // namespace quarn::mail::restore
