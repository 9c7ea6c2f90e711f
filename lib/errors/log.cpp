#include "lib/errors/log.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <syslog.h>
#include <memory>
#include <string>

int LogLevel = 6;
int LogFacility = LOG_MAIL;
bool LogEnabled = true;

quarn_log_fn quarn_log = _quarn_utility_log;
quarn_logv_fn quarn_logv = _quarn_utility_logv;

void quarn_log_init(const char* destination, int level, int facility, int options,
                    const char* ident) {
    LogFacility = facility;
    if (level < 1) {
        LogEnabled = false;
        LogLevel = 0;
    } else {
        LogEnabled = true;
        LogLevel = level;
    }
    if (destination) {
        quarn_log = _quarn_utility_log;
        quarn_logv = _quarn_utility_logv;
        if (strncasecmp(destination, "console", 7) != 0)
            LogEnabled = false;
        return;
    }
    closelog();
    openlog(ident, options | LOG_PID, facility);
    quarn_log = syslog;
    quarn_logv = vsyslog;
}

void _quarn_utility_log(int level, const char* format, ...) {
    va_list args;
    va_start(args, format);
    _quarn_utility_logv(level, format, args);
    va_end(args);
}

void _quarn_utility_logv(int level, const char* format, va_list args) {
    if (LogLevel < level)
        return;
    va_list again;
    va_copy(again, args);
    std::vfprintf(stderr, format, args);
    std::fputc('\n', stderr);
    std::fflush(stderr);
    std::vfprintf(stdout, format, again);
    std::fputc('\n', stdout);
    std::fflush(stdout);
    va_end(again);
}

namespace {

// Formats into a string, growing it when the first 4096 bytes are too few.
bool formatMessage(std::string& text, const char* format, va_list args) {
    va_list again;
    va_copy(again, args);
    text.resize(4096);
    int n = std::vsnprintf(&text[0], text.size(), format, args);
    if (n >= 0 && static_cast<size_t>(n) >= text.size()) {
        text.resize(n + 1);
        n = std::vsnprintf(&text[0], text.size(), format, again);
    }
    va_end(again);
    if (n < 0)
        return false;
    text.resize(n);
    return true;
}

void printTwice(const std::string& text) {
    bool newline = text.empty() || text.back() != '\n';
    for (FILE* out : {stderr, stdout}) {
        std::fputs(text.c_str(), out);
        if (newline)
            std::fputc('\n', out);
        std::fflush(out);
    }
}

}  // namespace

int vmesslog2(int status, int, const char* format, va_list args) {
    int saved = errno;
    std::string text;
    try {
        if (!formatMessage(text, format, args))
            text.clear();
        if (saved != 0)
            text += "\nSystem error " + std::to_string(saved) + ": " + std::strerror(saved);
    } catch (const std::bad_alloc&) {
        text = "Can't allocate memory for error message";
    }
    errno = saved;
    printTwice(text);
    if (status != 0)
        std::exit(status);
    return 0;
}

int messlog2(int status, int unused, const char* format, ...) {
    va_list args;
    va_start(args, format);
    int r = vmesslog2(status, unused, format, args);
    va_end(args);
    return r;
}
