#include "lib/runner/arg_list.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace quarn {

ArgList::ArgList() : items_(1, nullptr) {}

ArgList::~ArgList() { clear(); }

void ArgList::push_back(const std::string& arg) {
    items_.reserve(items_.size() + 1);  // so that nothing can fail after strdup
    char* copy = ::strdup(arg.c_str());
    if (!copy)
        throw std::bad_alloc();
    items_.back() = copy;
    items_.push_back(nullptr);
}

void ArgList::clear() noexcept {
    for (char* item : items_)
        std::free(item);
    items_.assign(1, nullptr);
}

}  // namespace quarn
