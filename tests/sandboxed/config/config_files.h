// Scratch files and a running Postfix for the master.cf tests.
#ifndef TESTS_SANDBOXED_CONFIG_CONFIG_FILES_H
#define TESTS_SANDBOXED_CONFIG_CONFIG_FILES_H

#include <sys/stat.h>
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

/// Postfix running for the test, stopped again if it was not running.
class RunningPostfix {
public:
    RunningPostfix() : wasRunning_(std::system("/usr/sbin/postfix status >/dev/null 2>&1") == 0) {
        if (!wasRunning_ && std::system("/usr/sbin/postfix start >/dev/null 2>&1") != 0)
            throw std::runtime_error("postfix start failed");
    }
    ~RunningPostfix() {
        if (!wasRunning_)
            std::system("/usr/sbin/postfix stop >/dev/null 2>&1");
    }
    void reload() {
        if (std::system("/usr/sbin/postfix reload >/dev/null 2>&1") != 0)
            throw std::runtime_error("postfix reload failed");
    }

private:
    bool wasRunning_;
};

}  // namespace configtest

#endif
