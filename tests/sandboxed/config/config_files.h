// Scratch files for the master.cf tests.
#ifndef TESTS_SANDBOXED_CONFIG_CONFIG_FILES_H
#define TESTS_SANDBOXED_CONFIG_CONFIG_FILES_H

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>

#include "tests/support/file_text.h"
#include "tests/support/saved_file.h"

namespace configtest {

using testsupport::SavedFile;

/// The whole file, or "<missing>".
inline std::string readFile(const std::string& path) {
    return testsupport::readFileIfAny(path).value_or("<missing>");
}

inline void writeFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out.flush())
        throw std::runtime_error("cannot write " + path);
}

/// A directory of its own, removed with everything in it.
class ScratchDir {
public:
    ScratchDir() {
        char name[] = "/var/spool/postfix/quarn/mastercf-XXXXXX";
        if (!mkdtemp(name))
            throw std::runtime_error("mkdtemp failed");
        path_ = name;
    }
    ~ScratchDir() { std::system(("rm -rf '" + path_ + "'").c_str()); }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

}  // namespace configtest

#endif
