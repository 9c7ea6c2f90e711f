#include "lib/errors/report.h"

#include <cxxabi.h>
#include <cstdlib>
#include <memory>
#include <typeinfo>

#include "lib/errors/traceback.h"
#include "lib/errors/uerr.h"

namespace quarn {

std::string exceptionTypeName(const std::exception& e) {
    const char* raw = typeid(e).name();
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> name(
        abi::__cxa_demangle(raw, nullptr, nullptr, &status), std::free);
    if (status == 0 && name)
        return name.get();
    return raw[0] == '*' ? raw + 1 : raw;
}

template <>
void reportException<std::exception>(const std::exception& e) {
    uerr << "Fatal error: " << exceptionTypeName(e) << "(" << e.what() << ")" << std::endl;
    if (const Traceback* tb = dynamic_cast<const Traceback*>(&e))
        uerr << *tb << std::flush;
}

void reportUntypedException() { uerr << "UNSPECIFIED ERROR OCCURED" << std::endl; }

}  // namespace quarn
