#include "mail/postfix/tables/postmap_errors.h"

#include <cstring>

#include "mail/postfix/tables/check_output.h"

namespace quarn::mail::postfix {

void PostmapErrors::append(const char* data, std::size_t size) {
    const char* end = data + size;
    while (data < end) {
        const char* lf = static_cast<const char*>(std::memchr(data, '\n', end - data));
        const char* stop = lf ? lf : end;
        std::size_t room = LineBytes - pending_.size();
        std::size_t take = static_cast<std::size_t>(stop - data);
        if (take > room) {
            take = room;
            cut_ = true;
        }
        pending_.append(data, take);
        if (!lf)
            return;
        pending_ += '\n';
        endLine();
        data = lf + 1;
    }
}

process::OutputConsumer PostmapErrors::receiver() {
    return [this](const std::vector<char>& chunk) { append(chunk.data(), chunk.size()); };
}

// A finished line goes to the head while it has room, else to the tail,
// whose oldest line then counts as left out.
void PostmapErrors::endLine() {
    if (!checkOutput(pending_, false))
        clean_ = false;
    if (cut_) {
        pending_.insert(pending_.size() - 1, "...");
        cut_ = false;
    }
    if (head_.size() < HeadLines) {
        head_.push_back(std::move(pending_));
    } else {
        tail_.push_back(std::move(pending_));
        if (tail_.size() > TailLines) {
            tail_.pop_front();
            ++omitted_;
        }
    }
    pending_.clear();
}

std::string PostmapErrors::text() const {
    std::string text;
    for (const std::string& line : head_)
        text += line;
    if (omitted_ > 0)
        text += "[... " + std::to_string(omitted_) + " lines left out ...]\n";
    for (const std::string& line : tail_)
        text += line;
    text += pending_;
    return text;
}

bool PostmapErrors::clean() const { return clean_ && checkOutput(pending_, false); }

}  // namespace quarn::mail::postfix
