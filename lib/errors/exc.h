// Detailed exceptions told apart by a tag: the address of a static flag
// that names the kind of failure, for example Exc<&ExecCmd::Failed>.
#ifndef QUARN_LIB_ERRORS_EXC_H
#define QUARN_LIB_ERRORS_EXC_H

#include <string>

#include "lib/errors/ex_tagged_includable.h"

namespace quarn {

/// Sends a throw point to the visitor: "function", "file", "line".
void acceptThrowPoint(ExInfoVisitor& visitor, const std::string& function,
                      const std::string& file, int line);

/// An ExTaggedIncludable that also knows where it was thrown.
template <const bool* Tag>
class Exc : public ExTaggedIncludable {
public:
    Exc(const std::string& function, const std::string& file, int line, const std::string& text,
        const boost::format& message, const std::string& info = std::string(), int code = 0)
        : ExTaggedIncludable(text, message, info, code), function_(function), file_(file),
          line_(line) {}
    ~Exc() override {}

    Exc* clone() const override { return new Exc(*this); }
    /// The throw point first, then the parts of ExTaggedIncludable.
    void accept(ExInfoVisitor& visitor) const override {
        acceptThrowPoint(visitor, function_, file_, line_);
        ExTaggedIncludable::accept(visitor);
    }

    const std::string& function() const noexcept { return function_; }
    const std::string& file() const noexcept { return file_; }
    int line() const noexcept { return line_; }

private:
    std::string function_;
    std::string file_;
    int line_;
};

}  // namespace quarn

#endif
