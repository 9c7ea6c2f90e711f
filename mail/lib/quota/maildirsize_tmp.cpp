#include "mail/lib/quota/maildirsize_tmp.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>

#include "lib/util/eintr.h"
#include "mail/lib/quota/quota_log.h"
#include "mail/lib/tree/tree_dir.h"

namespace quarn {
namespace mail {

namespace {

// sleep() again for what a signal left of the pause.
void pause(unsigned seconds) {
    while (seconds > 0)
        seconds = sleep(seconds);
}

}  // namespace

MaildirsizeTmpFile::~MaildirsizeTmpFile() { discard(); }

void MaildirsizeTmpFile::discard() noexcept {
    int saved = errno;
    fd_.closeQuietly();
    if (linked_)
        unlinkat(tmpDir_.get(), base(), 0);
    linked_ = false;
    errno = saved;
}

// O_EXCL and O_NOFOLLOW on top of the name check: tmp/ belongs to the
// mailbox user, and root must neither follow a link planted there nor take
// over a file that appeared between the check and the open. The fstat and
// lstat comparison stays as the proof that the name is the file opened.
int MaildirsizeTmpFile::attempt(const char* host) {
    int n = std::snprintf(name_, sizeof name_, "tmp/%lu.%u.%s-maildirsize",
                          static_cast<unsigned long>(std::time(nullptr)),
                          static_cast<unsigned>(getpid()), host);
    if (n < 0 || static_cast<size_t>(n) >= sizeof name_) {
        name_[0] = '\0';
        errno = ENAMETOOLONG;
        return -1;
    }
    // A tmp/ that is missing or not a directory (a link) fails the attempt
    // as a file that cannot be created there would.
    if (!tmpDir_)
        tmpDir_ = process::FdOwner::adopt(tree_open_dir_at(AT_FDCWD, "tmp"));
    if (!tmpDir_)
        return 0;
    struct stat byName, byFd;
    const int dir = tmpDir_.get();
    if (fstatat(dir, base(), &byName, AT_SYMLINK_NOFOLLOW) == 0 || errno != ENOENT)
        return 0;
    int fd = retryOnEintr([&] {
        return openat(dir, base(), O_CREAT | O_EXCL | O_NOFOLLOW | O_WRONLY | O_CLOEXEC, 0644);
    });
    if (fd < 0)
        return 0;
    fd_ = process::FdOwner::adopt(fd);
    linked_ = true;
    bool same = fstat(fd, &byFd) == 0 &&
                fstatat(dir, base(), &byName, AT_SYMLINK_NOFOLLOW) == 0 &&
                byFd.st_dev == byName.st_dev && byFd.st_ino == byName.st_ino;
    if (!same || retryOnEintr([fd] { return ftruncate(fd, 0); }) != 0) {
        discard();
        return 0;
    }
    return 1;
}

bool MaildirsizeTmpFile::create(const char* host) {
    for (int i = 0; i < MAILDIRSIZE_TMP_ATTEMPTS; ++i) {
        if (i > 0)
            pause(MAILDIRSIZE_TMP_PAUSE);
        int created = attempt(host);
        if (created > 0)
            return true;
        if (!tmpDir_ && (errno == ELOOP || errno == ENOTDIR)) {
            // popuser put something else there: no later attempt fares better.
            quota_log(errno, "tmp of the Maildir is not a directory");
            return false;
        }
        if (created < 0) {
            quota_log(ENAMETOOLONG, "host name is too long to be used in filename");
            return false;
        }
    }
    quota_log(EAGAIN, "Maximal allowed number of attempts to create a maildirsize file exceeded");
    return false;
}

bool MaildirsizeTmpFile::write(const char* text, size_t length) {
    while (length > 0) {
        ssize_t n = ::write(fd_.get(), text, length);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n <= 0) {
            // A regular file that takes no byte will not take one later.
            quota_log(n < 0 ? errno : EIO, "unable to write data to file");
            return false;
        }
        text += n;
        length -= static_cast<size_t>(n);
    }
    return true;
}

bool MaildirsizeTmpFile::commit() {
    int rc = retryOnEintr([this] { return fsync(fd_.get()); });
    if (rc == 0)
        rc = process::closeDescriptor(fd_.release());
    if (rc != 0) {
        quota_log(errno, "unable to commit written data to file");
        return false;
    }
    return true;
}

bool MaildirsizeTmpFile::install(const char* target) {
    if (renameat(tmpDir_.get(), base(), AT_FDCWD, target) != 0) {
        quota_log(errno, "unable to rename %s to %s", name_, target);
        return false;
    }
    linked_ = false;
    return true;
}

}  // namespace mail
}  // namespace quarn
