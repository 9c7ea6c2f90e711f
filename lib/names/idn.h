// Domain names in their ASCII (IDNA) form: the throwing interface of the
// front end and the plain functions of the mail library.
#ifndef QUARN_LIB_NAMES_IDN_H
#define QUARN_LIB_NAMES_IDN_H

#include <exception>
#include <string>

namespace quarn::idn {

/// A failed conversion, with libidn's result code.
class IdnaError : public std::exception {
public:
    explicit IdnaError(int code) : code_(code) {}
    ~IdnaError() override;
    const char* what() const noexcept override;
    int code() const noexcept { return code_; }

private:
    int code_;
};

/// The ASCII form of a domain name; throws IdnaError.
std::string toAscii(const std::string& name);

/// The address with its domain part converted; without "@" it is returned
/// unchanged. The local part is never converted.
std::string emailToAscii(const std::string& address);

}  // namespace quarn::idn

/// The code of the last failed conversion of the plain functions.
extern int idn_errno;

/// The ASCII form of `name`, malloc'ed; null with idn_errno set on failure.
char* idn_toascii(const char* name);

/// "local@" followed by the ASCII domain, malloc'ed; null without "@" or
/// when the domain does not convert.
char* idn_email_toascii(const char* address);

/// The message of a libidn result code.
const char* idn_strerror(int code);

#endif
