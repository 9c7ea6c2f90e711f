// The log of the plain-function libraries, and their console message
// function messlog2.
#ifndef QUARN_LIB_ERRORS_LOG_H
#define QUARN_LIB_ERRORS_LOG_H

#include <cstdarg>

extern int LogLevel;
extern int LogFacility;
extern bool LogEnabled;

using quarn_log_fn = void (*)(int priority, const char* format, ...);
using quarn_logv_fn = void (*)(int priority, const char* format, va_list args);

/// The library log hooks: console printers until quarn_log_init chooses syslog.
extern quarn_log_fn quarn_log;
extern quarn_logv_fn quarn_logv;

/// Chooses where library messages go: syslog without a destination, the
/// console when the destination starts with "console".
void quarn_log_init(const char* destination, int level, int facility, int options,
                    const char* ident);

/// Console log: the text and a line break on stderr, then on stdout, when
/// LogLevel admits `level`.
void _quarn_utility_log(int level, const char* format, ...)
    __attribute__((format(printf, 2, 3)));
void _quarn_utility_logv(int level, const char* format, va_list args)
    __attribute__((format(printf, 2, 0)));

/// Prints the message (with "System error N: text" when errno is set) on
/// stderr and stdout; exits with `status` unless it is 0. Returns 0.
int messlog2(int status, int unused, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
int vmesslog2(int status, int unused, const char* format, va_list args)
    __attribute__((format(printf, 3, 0)));

#endif
