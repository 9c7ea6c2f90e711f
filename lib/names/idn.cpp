#include "lib/names/idn.h"

#include <idna.h>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "lib/errors/log.h"
#include "lib/util/malloc_string.h"

int idn_errno = 0;

namespace {

using quarn::MallocString;

// libidn's code for a failed allocation.
const int IDN_MALLOC_ERROR = 201;

}  // namespace

const char* idn_strerror(int code) {
    switch (code) {
    case 0: return "Success";
    case 1: return "Stringprep error";
    case 2: return "Punycode error";
    case 3: return "Contains non-LDH characters";
    case 4: return "Contains minus";
    case 5: return "Invalid length";
    case 6: return "ACE prefix not found";
    case 7: return "Verify error";
    case 8: return "ACE prefix found";
    case 9: return "Iconv error";
    case IDN_MALLOC_ERROR: return "Cannot allocate buffer";
    default: return "Unknown error";
    }
}

char* idn_toascii(const char* name) {
    char* ascii = nullptr;
    int rc = idna_to_ascii_8z(name, &ascii, 0);
    if (rc == IDNA_SUCCESS)
        return ascii;
    std::free(ascii);
    idn_errno = rc;
    if (rc == IDN_MALLOC_ERROR)
        messlog2(1, 0, "Allocation failed");
    return nullptr;
}

char* idn_email_toascii(const char* address) {
    const char* at = std::strchr(address, '@');
    if (!at)
        return nullptr;
    MallocString domain(idn_toascii(at + 1));
    if (!domain)
        return nullptr;
    size_t local = at - address + 1;
    size_t size = local + std::strlen(domain.get()) + 1;
    char* result = static_cast<char*>(std::malloc(size));
    if (!result)
        return nullptr;
    std::memcpy(result, address, local);
    std::strcpy(result + local, domain.get());
    return result;
}

namespace quarn::idn {

IdnaError::~IdnaError() {}

const char* IdnaError::what() const noexcept { return idn_strerror(code_); }

std::string toAscii(const std::string& name) {
    char* raw = nullptr;
    int rc = idna_to_ascii_8z(name.c_str(), &raw, 0);
    MallocString ascii(raw);
    if (rc != IDNA_SUCCESS)
        throw IdnaError(rc);
    if (!ascii)
        throw std::bad_alloc();
    return ascii.get();
}

std::string emailToAscii(const std::string& address) {
    std::string::size_type at = address.find('@');
    if (at == std::string::npos)
        return address;
    return address.substr(0, at + 1) + toAscii(address.substr(at + 1));
}

}  // namespace quarn::idn
