// Exceptions that show their parts one by one to a visitor, for reports
// richer than what().
#ifndef QUARN_LIB_ERRORS_EX_VISITABLE_H
#define QUARN_LIB_ERRORS_EX_VISITABLE_H

#include <string>

namespace quarn {

/// Receives the parts of an exception in the order the exception sends them.
/// The system has no visitor of its own; parts come as named fields so that
/// one visitor can take every kind of detailed exception.
///
/// The fields, in order: "function", "file" (strings) and "line" (int) of the
/// throw point, where there is one; "error" the runtime-error text, "info"
/// (string) and "code" (int), "message" the formatted message; then, for an
/// included exception, openIncluded() and that exception's own parts.
class ExInfoVisitor {
public:
    virtual ~ExInfoVisitor();
    virtual void visitString(const char* field, const std::string& value) = 0;
    virtual void visitInt(const char* field, int value) = 0;
    /// The parts that follow belong to the included exception.
    virtual void openIncluded() = 0;
};

/// An object that shows its parts to an ExInfoVisitor.
class ExVisitable {
public:
    virtual ~ExVisitable();
    virtual void accept(ExInfoVisitor& visitor) const = 0;
};

}  // namespace quarn

#endif
