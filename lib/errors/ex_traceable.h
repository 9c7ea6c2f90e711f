// The base of the detailed exceptions: a runtime-error text plus a message
// formatted on first use.
#ifndef QUARN_LIB_ERRORS_EX_TRACEABLE_H
#define QUARN_LIB_ERRORS_EX_TRACEABLE_H

#include <stdexcept>
#include <string>

#include <boost/format.hpp>

#include "lib/errors/cloneable.h"
#include "lib/errors/ex_visitable.h"

namespace quarn {

/// A runtime error whose what() is a boost::format message with its
/// arguments already fed, plus one string ("info") and one int ("code")
/// that only reports through accept() look at; both are empty by default.
class ExTraceable : public Cloneable, public ExVisitable, public std::runtime_error {
public:
    ExTraceable(const std::string& text, const boost::format& message,
                const std::string& info = std::string(), int code = 0);
    ~ExTraceable() override;

    ExTraceable* clone() const override;
    /// The formatted message, built once; a message that cannot be
    /// formatted ends the process, since what() may not throw.
    const char* what() const noexcept override;
    /// "error", "info", "code", "message".
    void accept(ExInfoVisitor& visitor) const override;

    /// The runtime-error text given to the constructor.
    const char* text() const noexcept { return std::runtime_error::what(); }
    const std::string& info() const noexcept { return info_; }
    int code() const noexcept { return code_; }

private:
    boost::format message_;
    std::string info_;
    int code_;
    mutable std::string formatted_;
    mutable bool isFormatted_ = false;
};

}  // namespace quarn

#endif
