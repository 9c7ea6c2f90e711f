// A detailed exception that may carry the exception that caused it.
#ifndef QUARN_LIB_ERRORS_EX_TAGGED_INCLUDABLE_H
#define QUARN_LIB_ERRORS_EX_TAGGED_INCLUDABLE_H

#include <memory>
#include <string>

#include "lib/errors/ex_traceable.h"

namespace quarn {

/// An ExTraceable with an optional included exception, owned and copied deeply.
class ExTaggedIncludable : public ExTraceable {
public:
    ExTaggedIncludable(const std::string& text, const boost::format& message,
                       const std::string& info = std::string(), int code = 0);
    ExTaggedIncludable(const ExTaggedIncludable& other);
    ExTaggedIncludable& operator=(const ExTaggedIncludable& other);
    ~ExTaggedIncludable() override;

    ExTaggedIncludable* clone() const override;
    /// Its own parts, then openIncluded() and the included exception's.
    void accept(ExInfoVisitor& visitor) const override;

    /// Keeps a copy of `cause`, replacing any included before.
    void include(const ExTraceable& cause);
    /// The included exception, null when there is none.
    const ExTraceable* included() const noexcept { return included_.get(); }

private:
    std::unique_ptr<ExTraceable> included_;
};

}  // namespace quarn

#endif
