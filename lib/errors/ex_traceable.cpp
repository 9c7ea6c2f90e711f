#include "lib/errors/ex_traceable.h"

#include <exception>

namespace quarn {

ExTraceable::ExTraceable(const std::string& text, const boost::format& message,
                         const std::string& info, int code)
    : std::runtime_error(text), message_(message), info_(info), code_(code) {}

ExTraceable::~ExTraceable() {}

ExTraceable* ExTraceable::clone() const { return new ExTraceable(*this); }

const char* ExTraceable::what() const noexcept {
    if (!isFormatted_) {
        try {
            formatted_ = message_.str();
        } catch (...) {
            std::terminate();
        }
        isFormatted_ = true;
    }
    return formatted_.c_str();
}

void ExTraceable::accept(ExInfoVisitor& visitor) const {
    visitor.visitString("error", text());
    visitor.visitString("info", info_);
    visitor.visitInt("code", code_);
    visitor.visitString("message", what());
}

}  // namespace quarn
