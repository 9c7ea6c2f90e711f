#include "mail/lib/quota/quota_log.h"

#include <cerrno>
#include <cstdarg>

#include "lib/errors/log.h"

void quota_log(int error, const char* format, ...) {
    va_list args;
    va_start(args, format);
    errno = error;
    vmesslog2(0, 0, format, args);
    va_end(args);
    errno = error;
}
