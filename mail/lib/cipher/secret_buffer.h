// Memory for keys and passwords: wiped with OPENSSL_cleanse before it goes
// back to the allocator, so no freed page keeps a secret.
#ifndef QUARN_MAIL_LIB_CIPHER_SECRET_BUFFER_H
#define QUARN_MAIL_LIB_CIPHER_SECRET_BUFFER_H

#include <openssl/crypto.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace quarn {

/// std::allocator that wipes every block it frees, reallocations included.
template <typename T>
struct CleansingAllocator {
    using value_type = T;
    CleansingAllocator() noexcept = default;
    template <typename U>
    CleansingAllocator(const CleansingAllocator<U>&) noexcept {}
    T* allocate(std::size_t n) { return std::allocator<T>().allocate(n); }
    void deallocate(T* p, std::size_t n) noexcept {
        OPENSSL_cleanse(p, n * sizeof(T));
        std::allocator<T>().deallocate(p, n);
    }
    template <typename U>
    bool operator==(const CleansingAllocator<U>&) const noexcept {
        return true;
    }
    template <typename U>
    bool operator!=(const CleansingAllocator<U>&) const noexcept {
        return false;
    }
};

/// Bytes of a key, an IV, a plain or a cipher text.
using SecretBytes = std::vector<unsigned char, CleansingAllocator<unsigned char>>;

/// Frees a malloc'ed NUL-terminated secret after wiping it.
struct CleansingFree {
    void operator()(char* text) const noexcept {
        if (text)
            OPENSSL_cleanse(text, std::strlen(text));
        std::free(text);
    }
};

/// A deciphered password (or any malloc'ed secret text) with its owner.
using SecretCString = std::unique_ptr<char, CleansingFree>;

/// A malloc'ed NUL-terminated copy of `n` bytes; null without memory.
inline char* mallocCopy(const void* bytes, std::size_t n) {
    char* copy = static_cast<char*>(std::malloc(n + 1));
    if (copy) {
        if (n)
            std::memcpy(copy, bytes, n);
        copy[n] = '\0';
    }
    return copy;
}

}  // namespace quarn

#endif
