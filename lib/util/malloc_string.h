// Owners of what the C libraries hand over in malloc'ed memory.
#ifndef QUARN_LIB_UTIL_MALLOC_STRING_H
#define QUARN_LIB_UTIL_MALLOC_STRING_H

#include <cstdlib>
#include <memory>

namespace quarn {

/// std::free for unique_ptr.
struct FreeDeleter {
    void operator()(void* p) const noexcept { std::free(p); }
};

/// A malloc'ed string, freed when its owner goes.
using MallocString = std::unique_ptr<char, FreeDeleter>;

}  // namespace quarn

#endif
