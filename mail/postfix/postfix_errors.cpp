#include "mail/postfix/postfix_errors.h"

namespace quarn::mail::postfix {

PostfixError::PostfixError(const std::string& message) : std::runtime_error(message) {}

PostfixError::~PostfixError() {}

PostfixDatabaseError::PostfixDatabaseError(const std::string& message)
    : PostfixError(message) {}

PostfixDatabaseError::~PostfixDatabaseError() {}

PostfixConfigurationError::PostfixConfigurationError(const std::string& message)
    : PostfixError(message) {}

PostfixConfigurationError::~PostfixConfigurationError() {}

}  // namespace quarn::mail::postfix
