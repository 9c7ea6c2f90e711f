#include "lib/errors/traceback.h"

#include <cxxabi.h>
#include <execinfo.h>
#include <cstdlib>
#include <string>

namespace quarn {

namespace {

// A symbol line "file(mangled+0x1f) [addr]" with the name demangled where it can be.
std::string demangledLine(const char* line) {
    std::string text(line);
    std::string::size_type open = text.find('(');
    if (open == std::string::npos)
        return text;
    std::string::size_type plus = text.find('+', open);
    if (plus == std::string::npos)
        return text;
    std::string mangled = text.substr(open + 1, plus - open - 1);
    int status = 0;
    char* name = abi::__cxa_demangle(mangled.c_str(), nullptr, nullptr, &status);
    if (status == 0 && name)
        text.replace(open + 1, mangled.size(), name);
    std::free(name);
    return text;
}

}  // namespace

void Traceback::FreeDeleter::operator()(char** p) const { std::free(p); }

Traceback::Traceback(int skip) {
    count_ = backtrace(frames_, MAX_FRAMES);
    if (count_ < 0)
        count_ = 0;
    skip_ = skip > count_ ? count_ : skip;
}

Traceback::~Traceback() {}

std::ostream& operator<<(std::ostream& out, const Traceback& tb) {
    if (!tb.resolved_) {
        tb.symbols_.reset(backtrace_symbols(tb.frames_, tb.count_));
        tb.resolved_ = true;
    }
    if (tb.symbols_ && tb.skip_ < tb.count_) {
        out << "Traceback:\n";
        for (int i = tb.skip_; i < tb.count_; ++i)
            out << '\t' << demangledLine(tb.symbols_.get()[i]) << '\n';
    } else if (!tb.symbols_) {
        out << "Traceback addresses:\n";
        for (int i = 0; i < tb.count_; ++i)
            out << '\t' << tb.frames_[i] << '\n';
    }
    return out;
}

}  // namespace quarn
