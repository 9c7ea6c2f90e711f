#include "mail/lib/auth/mail_auth_init.h"

#include "lib/errors/log.h"
#include "lib/util/fd_owner.h"
#include "lib/util/sqlite_handle.h"
#include "lib/util/umask_guard.h"
#include "mail/lib/auth/mail_auth_location.h"
#include "mail/lib/auth/mail_passwd_cipher.h"

#include <fcntl.h>
#include <libgen.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>
#include <string>

const char* const MAIL_AUTH_DB_SCHEMA =
    "BEGIN TRANSACTION;"
    "CREATE TABLE domains (  id     INTEGER PRIMARY KEY AUTOINCREMENT, name   VARCHAR(255) "
    "UNIQUE, status INTEGER NOT NULL DEFAULT 0);"
    "CREATE INDEX domains_name ON domains(name);"
    "CREATE TRIGGER fkd_users_domains_id  BEFORE DELETE ON domains  FOR EACH ROW BEGIN    "
    "DELETE FROM users WHERE dom_id = OLD.id;  END;"
    "CREATE TABLE users(  id           INTEGER PRIMARY KEY AUTOINCREMENT, dom_id       INTEGER "
    "NOT NULL, name         VARCHAR(255) NOT NULL, userPassword VARCHAR(255), cmusaslsecretPLAIN "
    "VARCHAR(255), status INT NOT NULL DEFAULT 0, UNIQUE(name, dom_id));"
    "CREATE INDEX users_name ON users(name);"
    "CREATE INDEX users_dom_id ON users(dom_id);"
    "CREATE TRIGGER fki_users_domains_id  BEFORE INSERT ON users  FOR EACH ROW BEGIN    SELECT "
    "RAISE(ROLLBACK, 'insert on table \"users\" violates foreign key constraint "
    "\"fk_domains_id\"')    WHERE (SELECT id FROM domains WHERE id = NEW.dom_id) IS NULL;  END;"
    "CREATE TRIGGER fku_users_domains_id  BEFORE UPDATE ON users  FOR EACH ROW BEGIN    SELECT "
    "RAISE(ROLLBACK, 'update on table \"users\" violates foreign key constraint "
    "\"fk_domains_id\"')    WHERE (SELECT id FROM domains WHERE id = NEW.dom_id) IS NULL;  END;"
    "COMMIT;";

namespace {

// The directory part of `path`, as dirname(3) gives it.
bool directoryOf(const char* path, std::string* dir) {
    std::string copy(path);
    const char* d = dirname(&copy[0]);
    if (!d)
        return false;
    *dir = d;
    return true;
}

// mkdir -p; new directories are private until their access is set.
bool makeDirectories(const std::string& dir) {
    quarn::UmaskGuard mask(077);
    std::size_t slash = 0;
    do {
        slash = dir.find('/', slash + 1);
        std::string part = dir.substr(0, slash);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    } while (slash != std::string::npos);
    return true;
}

// Opens what owner and mode are set on, following no link: the directory is
// writable by the mail server's group, which must not be able to point us
// at another file. A plain file must have exactly one link. -1 with errno.
int openForAccess(const char* path, bool directory) {
    int flags = O_RDONLY | O_NOFOLLOW | O_CLOEXEC | (directory ? O_DIRECTORY : O_NONBLOCK);
    int fd = quarn::process::openDescriptor(path, flags);
    struct stat st;
    if (fd < 0 || directory)
        return fd;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink == 1)
        return fd;
    quarn::process::closeDescriptor(fd);
    errno = EPERM;
    return -1;
}

int setAccess(const char* path, uid_t uid, gid_t gid, mode_t mode, bool directory) {
    quarn::process::FdOwner fd = quarn::process::FdOwner::adopt(openForAccess(path, directory));
    if (!fd || ::fchown(fd.get(), uid, gid) != 0) {
        quarn_log(2, "chown(\"%s\", %d, %d) failed: %s", path, static_cast<int>(uid),
                  static_cast<int>(gid), std::strerror(errno));
        return -1;
    }
    if (::fchmod(fd.get(), mode) != 0) {
        quarn_log(2, "chmod(\"%s\", %04o) failed: %s", path, static_cast<unsigned>(mode),
                  std::strerror(errno));
        return -1;
    }
    return 0;
}

// Removes a file and the journals SQLite keeps beside it, so that no hot
// journal of the old database is replayed into the new one.
bool removeOldDatabase(const char* path) {
    for (const char* suffix : {"-journal", "-wal", "-shm", ""}) {
        std::string name = std::string(path) + suffix;
        if (::unlink(name.c_str()) != 0 && errno != ENOENT)
            return false;
    }
    return true;
}

}  // namespace

int createDBPath(const char* dbfile) {
    try {
        std::string dir;
        if (!directoryOf(dbfile, &dir)) {
            quarn_log(2, "dirname(%s) failed: %s", dbfile, std::strerror(errno));
            return -1;
        }
        if (!makeDirectories(dir)) {
            quarn_log(2, "recursive mkdir(%s) failed: %s", dir.c_str(), std::strerror(errno));
            return -1;
        }
        return 0;
    } catch (const std::bad_alloc&) {
        quarn_log(2, "Memory allocation error");
        return -1;
    }
}

int mailAuthDBInit() {
    if (createDBPath(mailAuthDB) != 0)
        return -1;
    if (!removeOldDatabase(mailAuthDB)) {
        quarn_log(3, "Unable to re-create Mail Authentication Database: %s", std::strerror(errno));
        return -1;
    }
    quarn::UmaskGuard mask(077);
    sqlite3* raw = nullptr;
    int rc =
        sqlite3_open_v2(mailAuthDB, &raw,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOFOLLOW, nullptr);
    quarn::SqliteHandle db(raw);
    if (rc == SQLITE_OK)
        rc = quarn::sqliteExec(raw, MAIL_AUTH_DB_SCHEMA);
    if (rc == SQLITE_OK)
        return 0;
    if (raw)
        quarn_log(3, "Unable to re-create Mail Authentication Database: %s", sqlite3_errmsg(raw));
    else
        quarn_log(3, "Unable to re-create Mail Authentication Database");
    return -1;
}

int mailAuthDBSetAccess(uid_t uid, gid_t gid, mode_t dbMode, uid_t dirUid, gid_t dirGid,
                        mode_t dirMode) {
    std::string dir;
    if (!directoryOf(mailAuthDB, &dir) || dir.empty() || dir[0] != '/' || dir == "/") {
        quarn_log(3, "Invalid mail authentication DB path %s", mailAuthDB);
        return -1;
    }
    if (setAccess(dir.c_str(), dirUid, dirGid, dirMode, true) != 0)
        return -1;
    return setAccess(mailAuthDB, uid, gid, dbMode, false);
}

int mailAuthKeySetAccess(uid_t uid, gid_t gid, mode_t keyMode) {
    return setAccess(mailAuthKey, uid, gid, keyMode, false);
}

namespace {

// The owners and modes of one style; 0 or -1.
int setStyleAccess(int style) {
    if (style != MAIL_AUTH_DB_POSTFIX_STYLE) {
        if (mailAuthDBSetAccess(0, 0, 0600, 0, 0, 0750) != 0)
            return -1;
        return mailAuthKeySetAccess(0, 0, 0400);
    }
    errno = 0;
    struct passwd* postfix = ::getpwnam("postfix");
    if (!postfix) {
        quarn_log(3, "Unable to get user id for \"%s\": %s", "postfix",
                  errno ? std::strerror(errno) : "no such user");
        return -1;
    }
    if (mailAuthDBSetAccess(postfix->pw_uid, 0, 0460, postfix->pw_uid, postfix->pw_gid, 0770) != 0)
        return -1;
    return mailAuthKeySetAccess(postfix->pw_uid, 0, 0440);
}

}  // namespace

int mailAuthDBInitStyle(int style) {
    mailAuthDBSelectStyle(style);
    if (mailAuthDBInit() != 0 || mailAuthKeyInit() != 0)
        return -1;
    return setStyleAccess(style);
}
