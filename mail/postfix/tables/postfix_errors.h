// Exceptions of the Postfix managers: lookup tables and main.cf/master.cf.
#ifndef QUARN_MAIL_POSTFIX_TABLES_POSTFIX_ERRORS_H
#define QUARN_MAIL_POSTFIX_TABLES_POSTFIX_ERRORS_H

#include <stdexcept>
#include <string>

namespace quarn::mail::postfix {

/// A failure of Postfix or of its files.
class PostfixError : public std::runtime_error {
public:
    explicit PostfixError(const std::string& message);
    ~PostfixError() override;
};

/// A lookup table could not be read, built or changed.
class PostfixDatabaseError : public PostfixError {
public:
    explicit PostfixDatabaseError(const std::string& message);
    ~PostfixDatabaseError() override;
};

/// main.cf or master.cf could not be read or changed; also a failed table build.
class PostfixConfigurationError : public PostfixError {
public:
    explicit PostfixConfigurationError(const std::string& message);
    ~PostfixConfigurationError() override;
};

/// The report of a failed undo after a failed table change: the head, the
/// name of the table set, the tail and a line break, on the error stream.
extern const char* const doubleErrorHead;
extern const char* const doubleErrorTail;

/// Writes that report for `tableSet` (e.g. "Postfix Virtual Domains
/// Database") to the error stream; used from destructors, so it never throws.
void reportDoubleError(const char* tableSet) noexcept;

}  // namespace quarn::mail::postfix

#endif
