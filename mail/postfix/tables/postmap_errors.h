// What postmap says on standard error, kept short enough for one message:
// a failing build can write hundreds of kilobytes of Berkeley DB complaints.
#ifndef QUARN_MAIL_POSTFIX_TABLES_POSTMAP_ERRORS_H
#define QUARN_MAIL_POSTFIX_TABLES_POSTMAP_ERRORS_H

#include <cstddef>
#include <deque>
#include <string>
#include <vector>

#include "lib/process/process_flags.h"

namespace quarn::mail::postfix {

/// The first and the last lines of a text, and a count of those between.
/// Every line is scanned for a diagnostic as it arrives, so the verdict
/// does not depend on what is left out; memory stays bounded.
class PostmapErrors {
public:
    static constexpr std::size_t HeadLines = 4;
    static constexpr std::size_t TailLines = 4;
    /// Longer lines keep their first part only.
    static constexpr std::size_t LineBytes = 1024;

    /// Takes the next piece of the text.
    void append(const char* data, std::size_t size);
    /// An output consumer that appends to this object, which must outlive it.
    process::OutputConsumer receiver();

    /// The whole text when it has at most HeadLines + TailLines lines; else
    /// the first ones, "[... N lines left out ...]" and the last ones.
    std::string text() const;
    bool empty() const noexcept { return head_.empty() && pending_.empty(); }
    /// False when a line holds a panic, fatal or error diagnostic.
    bool clean() const;

private:
    void endLine();

    std::vector<std::string> head_;
    std::deque<std::string> tail_;
    std::size_t omitted_ = 0;
    std::string pending_;
    bool cut_ = false;  ///< the pending line has lost its end
    bool clean_ = true;
};

}  // namespace quarn::mail::postfix

#endif
