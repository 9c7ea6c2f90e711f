// An argument vector ready to be handed to exec.
#ifndef QUARN_LIB_RUNNER_ARG_LIST_H
#define QUARN_LIB_RUNNER_ARG_LIST_H

#include <string>
#include <vector>

namespace quarn {

/// Copies of NUL-terminated strings followed by a null pointer.
class ArgList {
public:
    ArgList();
    ~ArgList();
    ArgList(const ArgList&) = delete;
    ArgList& operator=(const ArgList&) = delete;

    /// Appends a copy of `arg`; the array still ends in a null pointer.
    void push_back(const std::string& arg);
    /// Frees every copy; the array is a single null pointer again.
    void clear() noexcept;

    /// The array for exec: argv()[size()] is null.
    char* const* argv() const noexcept { return items_.data(); }
    size_t size() const noexcept { return items_.size() - 1; }
    const char* operator[](size_t i) const noexcept { return items_[i]; }

private:
    std::vector<char*> items_;
};

}  // namespace quarn

#endif
