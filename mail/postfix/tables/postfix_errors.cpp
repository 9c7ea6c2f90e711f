#include "mail/postfix/tables/postfix_errors.h"

#include <ostream>

#include "lib/errors/uerr.h"

namespace quarn::mail::postfix {

PostfixError::PostfixError(const std::string& message) : std::runtime_error(message) {}

PostfixError::~PostfixError() {}

PostfixDatabaseError::PostfixDatabaseError(const std::string& message)
    : PostfixError(message) {}

PostfixDatabaseError::~PostfixDatabaseError() {}

PostfixConfigurationError::PostfixConfigurationError(const std::string& message)
    : PostfixError(message) {}

PostfixConfigurationError::~PostfixConfigurationError() {}

const char* const doubleErrorHead = "CRITICAL ERROR: Unable to properly restore ";
const char* const doubleErrorTail =
    " used by Quarn.\nMail system may be not usable at the moment and it cannot be repaired "
    "automatically.\nConstact Kestova support to resolve this issue.";

void reportDoubleError(const char* tableSet) noexcept {
    try {
        uerr << doubleErrorHead << tableSet << doubleErrorTail << std::endl;
    } catch (...) {
        // Nothing is left to tell it with.
    }
}

}  // namespace quarn::mail::postfix
