#include "mail/lib/storage/dot_qmail_manager.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <syslog.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "lib/util/eintr.h"
#include "lib/errors/errors.h"
#include "lib/util/fd_owner.h"
#include "lib/util/file_str.h"
#include "lib/names/idn.h"
#include "lib/errors/log.h"
#include "lib/util/malloc_string.h"
#include "lib/util/plain_file.h"
#include "mail/lib/tree/popuser.h"
#include "mail/lib/tree/tree_dir.h"

// The .qmail lies in the mailname's home, which popuser owns: root reaches
// the home through TreeDir (no link followed at any depth) and touches the
// file only through descriptors opened relative to it as plain files (no
// link followed, only a regular file with one link), so that nothing
// popuser puts at the path is truncated, chowned or chmodded in its stead. The chown and chmod
// failures, which have no text of their own, log "Unable to chown %s: %s"
// and "Unable to chmod %s: %s".

namespace quarn {
namespace mail {
namespace {

using process::FdOwner;

/// A change of the file in the home, which is reached without following a
/// link; -1 after the log when the home cannot be reached so.
template <class Change>
int inHome(const boost::filesystem::path& file, Change change) {
    const std::string home = file.parent_path().string();
    TreeDir dir = TreeDir::openPath(home);
    if (!dir.ok()) {
        quarn_log(LOG_ERR, "Unable to open %s: %s", home.c_str(), std::strerror(errno));
        return -1;
    }
    return change(dir, file.c_str());
}

const char* const NO_DELIVERY_LINE = "| true\n";
const char* const MAILDIR_LINE = "./Maildir/";
const char* const DELIVERQUOTA_LINE = "| /usr/bin/deliverquota ./Maildir";
const int APPEND = 1;
const mode_t DOT_QMAIL_MODE = 0600;
const char* const DOT_QMAIL = ".qmail";

// Logs "<format>" filled with the path and the text of `error`; returns -1.
int logFailure(const char* format, const char* path, int error) {
    quarn_log(LOG_ERR, format, path, std::strerror(error));
    errno = error;
    return -1;
}

// Gives the file to popuser with mode 0600; 0, or -1 after the log.
int giveToPopuser(const TreeDir& dir, const char* path) {
    uid_t uid;
    gid_t gid;
    if (popuser_ids(&uid, &gid) != 0)
        return -1;
    int fd = dir.openFile(DOT_QMAIL, O_RDONLY, 0, nullptr);
    if (fd < 0)
        return logFailure("Unable to open %s: %s", path, errno);
    FdOwner owner = FdOwner::adopt(fd);
    if (retryOnEintr([&] { return fchown(fd, uid, gid); }) < 0)
        return logFailure("Unable to chown %s: %s", path, errno);
    if (retryOnEintr([&] { return fchmod(fd, DOT_QMAIL_MODE); }) < 0)
        return logFailure("Unable to chmod %s: %s", path, errno);
    return 0;
}

// Writes "| true" as the whole file; 0, or -1 after the log.
// The file is opened without O_TRUNC and cut only once the descriptor has
// shown a plain file, so nothing else at the path is ever emptied.
int writeNoDelivery(const TreeDir& dir, const char* path) {
    int fd = dir.openFile(DOT_QMAIL, O_WRONLY | O_CREAT, DOT_QMAIL_MODE, nullptr);
    if (fd < 0)
        return logFailure("Unable to open %s: %s", path, errno);
    FdOwner owner = FdOwner::adopt(fd);
    if (ftruncate(fd, 0) < 0)
        return logFailure("Unable to open %s: %s", path, errno);
    if (!write_all(fd, NO_DELIVERY_LINE, std::strlen(NO_DELIVERY_LINE)) || owner.tryClose() < 0) {
        int error = errno;
        owner.closeQuietly();
        dir.unlink(DOT_QMAIL);
        return logFailure("Unable to write to %s: %s", path, error);
    }
    return 0;
}

// The redirect line "&" and the ASCII form of the address; null after the
// log. `asprintfFormat` is the caller's text for a failed allocation.
MallocString redirectLine(const char* address, const char* asprintfFormat) {
    MallocString ascii(idn_email_toascii(address));
    if (!ascii) {
        quarn_log(LOG_ERR, "idn_email_toascii(%s) failed: %s", address, idn_strerror(idn_errno));
        return nullptr;
    }
    char* line = nullptr;
    if (asprintf(&line, "&%s", ascii.get()) < 0) {
        quarn_log(LOG_ERR, asprintfFormat, ascii.get(), std::strerror(errno));
        return nullptr;
    }
    return MallocString(line);
}

// Appends `line`; 0, or -1 after the log.
int appendLineAtEnd(const TreeDir& dir, const char* path, const char* line) {
    if (file_str_at(dir.fd(), DOT_QMAIL, path, line, FILE_STR_ADD, APPEND) == 0)
        return 0;
    quarn_log(LOG_ERR, "Unable to add string to %s file.", path);
    return -1;
}

// "| true" as the whole file, owned by popuser.
int qmail_reset(const TreeDir& dir, const char* path) {
    if (writeNoDelivery(dir, path) != 0)
        return -1;
    return giveToPopuser(dir, path);
}

// Delivery into the Maildir through deliverquota, as the last line.
int qmail_enable_delivery(const TreeDir& dir, const char* path) {
    // Either line may be missing or the file may not exist yet: both fine.
    file_str_at(dir.fd(), DOT_QMAIL, path, MAILDIR_LINE, FILE_STR_REMOVE, 0);
    file_str_at(dir.fd(), DOT_QMAIL, path, DELIVERQUOTA_LINE, FILE_STR_REMOVE, 0);
    if (appendLineAtEnd(dir, path, DELIVERQUOTA_LINE) != 0)
        return -1;
    return giveToPopuser(dir, path);
}

// Neither delivery line stays; fails when the file is missing.
int qmail_disable_delivery(const TreeDir& dir, const char* path) {
    if (file_str_at(dir.fd(), DOT_QMAIL, path, MAILDIR_LINE, FILE_STR_REMOVE, 0) != 0) {
        quarn_log(LOG_ERR, "Unable to remove string from %s file", path);
        return -1;
    }
    file_str_at(dir.fd(), DOT_QMAIL, path, DELIVERQUOTA_LINE, FILE_STR_REMOVE, 0);
    return giveToPopuser(dir, path);
}

// The redirect to `address`, once and last.
int qmail_add_redirect(const TreeDir& dir, const char* path, const char* address) {
    MallocString line = redirectLine(address, "asprintf(\"&%%s\", %s) failed: %s");
    if (!line)
        return -1;
    // Removed first so that the address stands once, and last.
    file_str_at(dir.fd(), DOT_QMAIL, path, line.get(), FILE_STR_REMOVE, 0);
    if (appendLineAtEnd(dir, path, line.get()) != 0)
        return -1;
    return giveToPopuser(dir, path);
}

// No redirect to `address` stays; fails when the file is missing.
int qmail_remove_redirect(const TreeDir& dir, const char* path, const char* address) {
    MallocString line = redirectLine(address, "asprintf(\"&%%s\", %s): %s");
    if (!line)
        return -1;
    if (file_str_at(dir.fd(), DOT_QMAIL, path, line.get(), FILE_STR_REMOVE, 0) != 0) {
        quarn_log(LOG_ERR, "Unable to remove string from %s file.", path);
        return -1;
    }
    return giveToPopuser(dir, path);
}

// Throws the SystemError of a failed change; errno tells why.
void check(int result, const boost::filesystem::path& path) {
    if (result != 0)
        throw SystemError("unable to modify " + path.string(), 0);
}

}  // namespace

DotQMailManager::DotQMailManager(const boost::filesystem::path& directory)
    : path_(directory / ".qmail") {}

void DotQMailManager::reset() { check(inHome(path_, qmail_reset), path_); }

void DotQMailManager::enableDelivery() { check(inHome(path_, qmail_enable_delivery), path_); }

void DotQMailManager::disableDelivery() { check(inHome(path_, qmail_disable_delivery), path_); }

// The position does not matter: the redirect always ends up last.
void DotQMailManager::addRedirect(const std::string& address, Position) {
    check(inHome(path_, [&](const TreeDir& d, const char* p) {
              return qmail_add_redirect(d, p, address.c_str());
          }),
          path_);
}

void DotQMailManager::removeRedirect(const std::string& address) {
    check(inHome(path_, [&](const TreeDir& d, const char* p) {
              return qmail_remove_redirect(d, p, address.c_str());
          }),
          path_);
}

}  // namespace mail
}  // namespace quarn
