// The test whether a Postfix tool's standard error reports a failure.
#ifndef QUARN_MAIL_POSTFIX_TABLES_CHECK_OUTPUT_H
#define QUARN_MAIL_POSTFIX_TABLES_CHECK_OUTPUT_H

#include <string>

namespace quarn::mail::postfix {

/// True when no line of `text` is tagged "panic:", "fatal:" or "error:"
/// after the tool's name; with `warningsFail` any tag but "warning:" fails.
bool checkOutput(const std::string& text, bool warningsFail);

}  // namespace quarn::mail::postfix

#endif
