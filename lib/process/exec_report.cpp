#include "lib/process/exec_report.h"

#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <stdexcept>

#include "lib/errors/errors.h"

namespace quarn {
namespace process {

namespace {

// Writes all bytes, repeating on EINTR; the child can do nothing about a
// failure but exit, which it is about to do anyway.
void writeAll(int fd, const char* data, size_t size) noexcept {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        data += n;
        size -= n;
    }
}

void writeField(int fd, const char* tag, const std::string& value) noexcept {
    writeAll(fd, tag, 4);
    writeAll(fd, value.c_str(), value.size() + 1);
}

// EC: values; a malformed number stands for EINVAL.
int parseCode(const std::string& text) {
    if (text.empty())
        return EINVAL;
    char* end = nullptr;
    errno = 0;
    long code = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || errno != 0 || code < INT_MIN || code > INT_MAX)
        return EINVAL;
    return static_cast<int>(code);
}

}  // namespace

void writeException(int fd, const char* type, const std::string& message,
                    const int* code) noexcept {
    try {
        writeField(fd, "ET: ", type);
        writeField(fd, "EM: ", message);
    } catch (...) {
        return;
    }
    if (code) {
        char buffer[47];
        int n = std::snprintf(buffer, sizeof buffer, "EC: %d", *code);
        writeAll(fd, buffer, n + 1);
    }
}

int reportCurrentException(int fd) noexcept {
    try {
        throw;
    } catch (const SystemError& e) {
        int code = e.error();
        writeException(fd, "SystemError", e.message(), &code);
        return ExitSystemError;
    } catch (const std::runtime_error& e) {
        writeException(fd, "std::runtime_error", e.what(), nullptr);
        return ExitStdException;
    } catch (const std::exception& e) {
        writeException(fd, "std::exception", e.what(), nullptr);
        return ExitStdException;
    } catch (...) {
        writeException(fd, "std::runtime_error", "unknown error", nullptr);
        return ExitUnknownError;
    }
}

void raiseReportedException(const std::string& report) {
    std::string type, message;
    int code = EINVAL;
    bool haveType = false;
    size_t start = 0;
    while (start < report.size()) {
        size_t end = report.find('\0', start);
        if (end == std::string::npos)
            end = report.size();
        std::string part = report.substr(start, end - start);
        start = end + 1;
        std::string tag = part.substr(0, 4);
        if (tag == "ET: ") {
            type = part.substr(4);
            haveType = true;
        } else if (tag == "EM: ") {
            message = part.substr(4);
        } else if (tag == "EC: ") {
            code = parseCode(part.substr(4));
        } else if (!part.empty()) {
            std::cerr << "child output: " << part << std::endl;
        }
    }
    if (!haveType)
        return;
    if (message.empty())
        message = "an error in child process";
    if (type == "SystemError")
        throwSystemError(message, code);
    if (type == "std::runtime_error")
        throw std::runtime_error(message);
    if (type == "std::exception")
        throw std::exception();
    throw std::bad_exception();
}

}  // namespace process
}  // namespace quarn
