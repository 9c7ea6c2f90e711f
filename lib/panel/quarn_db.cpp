#include "lib/panel/quarn_db.h"

#include "lib/errors/log.h"
#include "lib/panel/mysql_handle.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string.h>
#include <syslog.h>
#include <unistd.h>

const char* const QUARN_DB_PASSWORD_FILE = "/etc/vel/.vel.shadow";

namespace {

const size_t PASSWORD_MAX = 99;

void putMessage(char* msgbuf, size_t size, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

void putMessage(char* msgbuf, size_t size, const char* format, ...) {
    if (!msgbuf || size == 0)
        return;
    va_list args;
    va_start(args, format);
    std::vsnprintf(msgbuf, size, format, args);
    va_end(args);
}

/// A descriptor closed when it goes.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0)
            close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

/// A password buffer wiped when it goes, whatever way the scope is left.
struct PasswordBuffer {
    char text[PASSWORD_MAX + 1] = {};
    ~PasswordBuffer() { explicit_bzero(text, sizeof text); }
};

// Reads straight into the caller's buffer, not through stdio, so that no
// copy of the password is left in freed memory.
ssize_t readFirstLine(int fd, char* text, size_t max) {
    size_t got = 0;
    while (got < max && !std::memchr(text, '\n', got)) {
        ssize_t n = read(fd, text + got, max - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        got += n;
    }
    text[got] = '\0';
    text[std::strcspn(text, "\n")] = '\0';
    return got;
}

bool readAdminPassword(PasswordBuffer& password, char* msgbuf, size_t size) {
    FileDescriptor fd(open(QUARN_DB_PASSWORD_FILE, O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        putMessage(msgbuf, size, "Unable to open admin password file: %s", std::strerror(errno));
        return false;
    }
    ssize_t got = readFirstLine(fd.get(), password.text, PASSWORD_MAX);
    // An empty file is refused: the panel always sets a password, so an empty
    // one means a broken installation rather than a password-less account.
    if (got <= 0) {
        putMessage(msgbuf, size, "Unable to read admin password file: %s",
                   got < 0 ? std::strerror(errno) : "the file is empty");
        return false;
    }
    return true;
}

}  // namespace

MYSQL* quarn_db_connect_raw_ex(char* msgbuf, size_t size) {
    PasswordBuffer password;
    if (!readAdminPassword(password, msgbuf, size))
        return nullptr;
    quarn::MysqlHandle my(mysql_init(nullptr));
    if (!my) {
        // mysql_init fails only for want of memory.
        putMessage(msgbuf, size, "Unable to initialize MySQL connection structure: %s",
                   std::strerror(ENOMEM));
        return nullptr;
    }
    if (!mysql_real_connect(my.get(), "localhost", "admin", password.text, "vel", 0, nullptr, 0)) {
        putMessage(msgbuf, size, "Unable to connect to Quarn Database: %s", mysql_error(my.get()));
        return nullptr;
    }
    return my.release();
}

MYSQL* quarn_db_connect_raw(char* msgbuf, size_t size) {
    quarn::MysqlHandle my(quarn_db_connect_raw_ex(msgbuf, size));
    if (my && mysql_errno(my.get()))
        return nullptr;
    return my.release();
}

MYSQL* quarn_db_connect_ex(char* msgbuf, size_t size) {
    MYSQL* my = quarn_db_connect_raw(msgbuf, size);
    if (!my)
        return nullptr;
    if (mysql_query(my, "SET NAMES utf8") != 0) {
        if (mysql_errno(my))
            putMessage(msgbuf, size, "DB error (%s) %u: %s", "set names query", mysql_errno(my),
                       mysql_error(my));
        else
            putMessage(msgbuf, size, "DB error (%s): unknown error", "set names query");
    }
    return my;
}

MYSQL* quarn_db_connect(char* msgbuf, size_t size) {
    quarn::MysqlHandle my(quarn_db_connect_ex(msgbuf, size));
    if (my && mysql_errno(my.get()))
        return nullptr;
    return my.release();
}

MYSQL* db_connect_nothrow(char* msgbuf, size_t size) { return quarn_db_connect(msgbuf, size); }

MYSQL* db_connect() {
    char msgbuf[4097] = "";
    MYSQL* my = db_connect_nothrow(msgbuf, sizeof msgbuf);
    if (!my)
        quarn_log(LOG_ERR, "%s", msgbuf);
    return my;
}
