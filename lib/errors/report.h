// The one-line report of an exception that reached the top of a command.
#ifndef QUARN_LIB_ERRORS_REPORT_H
#define QUARN_LIB_ERRORS_REPORT_H

#include <exception>
#include <string>

namespace quarn {

/// The demangled name of the dynamic type of `e`.
std::string exceptionTypeName(const std::exception& e);

/// "Fatal error: Type(what)" on uerr, and the traceback when there is one.
template <class E>
void reportException(const E& e);

template <>
void reportException<std::exception>(const std::exception& e);

/// "UNSPECIFIED ERROR OCCURED" on uerr.
void reportUntypedException();

}  // namespace quarn

#endif
