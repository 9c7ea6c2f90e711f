#include "lib/errors/ex_tagged_includable.h"

namespace quarn {

ExTaggedIncludable::ExTaggedIncludable(const std::string& text, const boost::format& message,
                                       const std::string& info, int code)
    : ExTraceable(text, message, info, code) {}

ExTaggedIncludable::ExTaggedIncludable(const ExTaggedIncludable& other)
    : ExTraceable(other), included_(other.included_ ? other.included_->clone() : nullptr) {}

ExTaggedIncludable& ExTaggedIncludable::operator=(const ExTaggedIncludable& other) {
    if (this != &other) {
        std::unique_ptr<ExTraceable> copy(other.included_ ? other.included_->clone() : nullptr);
        ExTraceable::operator=(other);
        included_ = std::move(copy);
    }
    return *this;
}

ExTaggedIncludable::~ExTaggedIncludable() {}

ExTaggedIncludable* ExTaggedIncludable::clone() const { return new ExTaggedIncludable(*this); }

void ExTaggedIncludable::accept(ExInfoVisitor& visitor) const {
    ExTraceable::accept(visitor);
    if (included_) {
        visitor.openIncluded();
        included_->accept(visitor);
    }
}

void ExTaggedIncludable::include(const ExTraceable& cause) { included_.reset(cause.clone()); }

}  // namespace quarn
