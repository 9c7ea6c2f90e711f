// Test helpers that catch what the code under test prints: the library log
// hook and the standard streams behind the error stream uerr.
#ifndef TESTS_SUPPORT_LOG_CAPTURE_H
#define TESTS_SUPPORT_LOG_CAPTURE_H

#include "lib/errors/log.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>

namespace testsupport {

/// Every quarn_log message while a LogCapture lives, each followed by "|".
inline std::string& capturedLog() {
    static std::string text;
    return text;
}

inline void captureLogMessage(int, const char* format, ...) {
    va_list args;
    va_start(args, format);
    char* text = nullptr;
    if (vasprintf(&text, format, args) >= 0)
        capturedLog() += text;
    va_end(args);
    std::free(text);
    capturedLog() += "|";
}

/// Sends quarn_log into capturedLog() while it lives.
class LogCapture {
public:
    LogCapture() : saved_(quarn_log) {
        capturedLog().clear();
        quarn_log = captureLogMessage;
    }
    ~LogCapture() { quarn_log = saved_; }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    const std::string& text() const { return capturedLog(); }

private:
    quarn_log_fn saved_;
};

/// Catches what goes to std::cout and std::cerr while it lives.
class StreamCapture {
public:
    StreamCapture()
        : savedOut_(std::cout.rdbuf(out_.rdbuf())), savedErr_(std::cerr.rdbuf(err_.rdbuf())) {}
    ~StreamCapture() {
        std::cout.rdbuf(savedOut_);
        std::cerr.rdbuf(savedErr_);
    }
    StreamCapture(const StreamCapture&) = delete;
    StreamCapture& operator=(const StreamCapture&) = delete;

    std::string out() const { return out_.str(); }
    std::string err() const { return err_.str(); }

private:
    std::ostringstream out_, err_;
    std::streambuf* savedOut_;
    std::streambuf* savedErr_;
};

}  // namespace testsupport

#endif
