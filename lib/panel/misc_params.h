// The panel's miscellaneous settings (table misc, param and val) as read by
// the mail code.
#ifndef QUARN_LIB_PANEL_MISC_PARAMS_H
#define QUARN_LIB_PANEL_MISC_PARAMS_H

#include "lib/panel/mysql_stream.h"

#include <string>

namespace quarn::mail::restore {

/// The value of setting `name`; a NULL field when it is not set. Throws
/// mError on database errors.
quarn::mysql::field_t getStringMiscParam(const std::string& name,
                                         quarn::mysql::Connection& conn);
/// getStringMiscParam, with a database error warned about on the error
/// stream and read as a NULL field.
quarn::mysql::field_t getStringMiscParamSafe(const std::string& name,
                                             quarn::mysql::Connection& conn);
/// True exactly when the setting is "true"; `fallback` when it is not set,
/// NULL, or the database fails.
bool getBoolMiscParamSafe(const std::string& name, quarn::mysql::Connection& conn,
                          bool fallback);

}  // namespace quarn::mail::restore

#endif
