#include "lib/util/eintr.h"
#include "lib/util/file_str.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <optional>
#include <string>
#include <string_view>

#include "lib/errors/errors.h"
#include "lib/util/fd_owner.h"
#include "lib/errors/log.h"
#include "lib/util/mk_lock.h"
#include "lib/util/line_reader.h"
#include "lib/util/plain_file.h"

// Safety as root. The edited files lie in directories that the unprivileged
// user popuser owns, so popuser can put anything at the path at any moment.
// Hence the target is looked at with lstat and refused unless it is a
// regular file with one link (a symbolic link, a FIFO, a directory or a hard
// link to a file elsewhere would make root change that other file); it is
// reported with the stat text, or the open text when the descriptor shows it.
// Every open is O_NOFOLLOW, and the descriptor's fstat must be the file that
// lstat saw. The temporary file "<path>.tmp" is created anew with
// O_CREAT|O_EXCL|O_NOFOLLOW after a stale one is removed, so a link planted
// there is never written through; it gets the original's owner, group and
// mode through its descriptor and is fsync'ed before the rename, so readers
// never see a half-written file or a wrong owner; no failure leaves it behind.

namespace {

using quarn::process::FdOwner;
using quarn::retryOnEintr;
using quarn::LineReader;

const int APPEND_POSITION = 1;

// Removal positions of FILE_STR_REMOVE_MATCHING.
enum { MATCH_PREFIX = 0, MATCH_SUFFIX = 1, MATCH_ANYWHERE = 2 };

// One call's request, checked once.
struct Request {
    int dir;           // the directory the file is named in
    const char* name;  // its name there
    const char* path;  // its path, for the lock and the messages
    int action;
    int position;
    std::string line;     // the text with its line feed, which it gets if it lacks one
    std::string pattern;  // the text without its line feed, as lines are compared
};

// What lstat found at the path when the lock was taken.
struct Target {
    bool existed = false;
    struct stat st {};
};

// messlog2 of one failure, with errno set so that its system line matches.
int report(int error, const char* format, const char* path) {
    errno = error;
    messlog2(0, 0, format, path, std::strerror(error));
    return 1;
}

// The request, or false for arguments no call of this system makes.
bool makeRequest(const char* path, const char* text, int action, int position, Request& r) {
    bool positionOk = action == FILE_STR_REMOVE ||
                      (action == FILE_STR_ADD && (position == 0 || position == APPEND_POSITION)) ||
                      (action == FILE_STR_REMOVE_MATCHING && position >= MATCH_PREFIX &&
                       position <= MATCH_ANYWHERE);
    if (!path || !*path || !text || !*text || !positionOk)
        return false;
    // One line only: a line feed inside would smuggle in a second line.
    const char* feed = std::strchr(text, '\n');
    if (feed && feed[1] != '\0')
        return false;
    r.path = path;
    r.action = action;
    r.position = position;
    r.pattern = text;
    if (r.pattern.back() == '\n')
        r.pattern.pop_back();
    r.line = r.pattern + "\n";
    return true;
}

// Whether the rewrite leaves out `line` (which may end with its line feed).
bool dropsLine(const Request& r, const std::string& line) {
    std::string_view body(line);
    if (!body.empty() && body.back() == '\n')
        body.remove_suffix(1);
    std::string_view p(r.pattern);
    if (r.action == FILE_STR_REMOVE)
        return body == p;
    if (r.action != FILE_STR_REMOVE_MATCHING || body.size() < p.size())
        return false;
    switch (r.position) {
    case MATCH_PREFIX: return body.substr(0, p.size()) == p;
    case MATCH_SUFFIX: return body.substr(body.size() - p.size()) == p;
    default: return body.find(p) != std::string_view::npos;
    }
}

// The temporary file beside the target: removed again on every way out
// unless it was renamed over the target.
class ScratchFile {
public:
    ScratchFile(int dir, const char* name, const char* path)
        : dir_(dir), name_(std::string(name) + ".tmp"), path_(std::string(path) + ".tmp") {}
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
    ~ScratchFile() { discard(); }

    // Removes a stale file of the name and creates a new one that only root
    // can open; 0, or -1 with errno.
    int create() {
        if (unlinkat(dir_, name_.c_str(), 0) < 0 && errno != ENOENT)
            return -1;
        int fd = retryOnEintr([this] {
            return openat(dir_, name_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                          0600);
        });
        if (fd < 0)
            return -1;
        fd_ = FdOwner::adopt(fd);
        created_ = true;
        return 0;
    }

    // Closes and unlinks it now, keeping errno (also before the process exits).
    void discard() noexcept {
        if (!created_)
            return;
        int saved = errno;
        fd_.closeQuietly();
        unlinkat(dir_, name_.c_str(), 0);
        created_ = false;
        errno = saved;
    }

    // Puts the text on the disk and closes; 0, or -1 with errno.
    int finish() {
        if (retryOnEintr([this] { return fsync(fd_.get()); }) < 0)
            return -1;
        return fd_.tryClose();
    }

    // Renames it over `target`; 0, or -1 with errno and the file still here.
    int renameTo(const char* target) {
        if (renameat(dir_, name_.c_str(), dir_, target) < 0)
            return -1;
        created_ = false;
        return 0;
    }

    int fd() const noexcept { return fd_.get(); }
    const std::string& path() const noexcept { return path_; }

private:
    int dir_;
    std::string name_;
    std::string path_;
    FdOwner fd_;
    bool created_ = false;
};

// The lstat of the path; 0, or 1 after the message for a refused file.
int statTarget(const Request& r, Target& t) {
    const char* path = r.path;
    if (retryOnEintr([&] { return fstatat(r.dir, r.name, &t.st, AT_SYMLINK_NOFOLLOW); }) < 0)
        return errno == ENOENT ? 0 : report(errno, "file_str: Unable to stat file %s: %s\n", path);
    t.existed = true;
    int refused = plain_file_error(t.st);
    return refused ? report(refused, "file_str: Unable to stat file %s: %s\n", path) : 0;
}

// Gives the file behind `fd` the owner and group, then the mode, of `st`
// (in that order, since chown may clear the set-id bits); 0 or 1.
int giveBackOwner(int fd, const struct stat& st, const char* path) {
    if (retryOnEintr([&] { return fchown(fd, st.st_uid, st.st_gid); }) < 0)
        return report(errno, "file_str: ERROR: Unable to chown file %s: %s", path);
    if (retryOnEintr([&] { return fchmod(fd, st.st_mode & 07777); }) < 0)
        return report(errno, "file_str: ERROR: Unable to chmod file %s: %s", path);
    return 0;
}

// Writes one line to the temporary file; a failure ends the process, with
// the temporary file removed first since no destructor runs then.
void writeLineOrExit(ScratchFile& tmp, const std::string& line, const char* path) {
    if (write_all(tmp.fd(), line.data(), line.size()))
        return;
    tmp.discard();
    messlog2(1, 0, "cannot write a line to %s.tmp", path);
}

// Opens the existing target for reading; 0, or 1 after the message.
int openSource(const Request& r, const Target& t, FdOwner& in) {
    if (!t.existed)
        return report(ENOENT, "Unable to open file %s: %s\n", r.path);
    int fd = open_plain_file_at(r.dir, r.name, O_RDONLY, 0, &t.st);
    if (fd < 0)
        return report(errno, "Unable to open file %s: %s\n", r.path);
    in = FdOwner::adopt(fd);
    return 0;
}

// Copies the lines that the request keeps; 0, or 1 after the message.
// A read error is reported with the close text (as a buffered reader learns
// of it when the file is closed) and stops the edit, so a file that could
// not be read whole is never replaced by its first part.
int copyKeptLines(const Request& r, int in, ScratchFile& tmp) {
    LineReader reader(in);
    std::string line;
    int got;
    while ((got = reader.next(line)) > 0)
        if (!dropsLine(r, line))
            writeLineOrExit(tmp, line, r.path);
    return got < 0 ? report(errno, "Unable to close file %s: %s\n", r.path) : 0;
}

// Renames the finished temporary file over the target; 0, or 1.
// The target must still be the file that was read: a file put there
// meanwhile by a writer that takes no lock would otherwise be lost unseen;
// that case has the first rename text, a failing rename(2) the second.
int replaceTarget(ScratchFile& tmp, const Target& t, const Request& r) {
    const char* path = r.path;
    struct stat now;
    if (retryOnEintr([&] { return fstatat(r.dir, r.name, &now, AT_SYMLINK_NOFOLLOW); }) < 0)
        return report(errno, "Error while rename file %s: %s\n", path);
    if (now.st_dev != t.st.st_dev || now.st_ino != t.st.st_ino)
        return report(EAGAIN, "Error while rename file %s: %s\n", path);
    if (tmp.renameTo(r.name) < 0)
        return report(errno, "Unable to rename file %s: %s\n", path);
    return 0;
}

// Prepends or removes lines through the temporary file; 0 or 1.
int rewriteFile(const Request& r, const Target& t) {
    FdOwner in;
    if (openSource(r, t, in) != 0)
        return 1;
    ScratchFile tmp(r.dir, r.name, r.path);
    if (tmp.create() < 0) {
        // This one goes to standard error only.
        std::fprintf(stderr, "Unable to open file %s: %s\n", tmp.path().c_str(),
                     std::strerror(errno));
        std::fflush(stderr);
        return 1;
    }
    if (r.action == FILE_STR_ADD)
        writeLineOrExit(tmp, r.line, r.path);
    if (copyKeptLines(r, in.get(), tmp) != 0 || giveBackOwner(tmp.fd(), t.st, r.path) != 0)
        return 1;
    if (tmp.finish() < 0)
        return report(errno, "Unable to close file %s: %s\n", tmp.path().c_str());
    if (in.tryClose() < 0)
        return report(errno, "Unable to close file %s: %s\n", r.path);
    return replaceTarget(tmp, t, r);
}

// Appends the line, creating the file when it is missing; 0 or 1.
// The line goes in one write so that appenders without our lock do not cut
// into it; when the write fails the file is cut back to its former size so
// that no half line stays, and the failure has the close text (as buffered
// output reports it when the file is closed).
int appendLine(const Request& r, const Target& t) {
    int fd = open_plain_file_at(r.dir, r.name, O_WRONLY | O_APPEND | O_CREAT, 0666,
                                t.existed ? &t.st : nullptr);
    if (fd < 0)
        return report(errno, "Unable to open file %s: %s\n", r.path);
    FdOwner out = FdOwner::adopt(fd);
    off_t before = lseek(fd, 0, SEEK_END);
    if (!write_all(fd, r.line.data(), r.line.size())) {
        int error = errno;
        if (before >= 0)
            retryOnEintr([&] { return ftruncate(fd, before); });
        return report(error, "Unable to close file %s: %s\n", r.path);
    }
    // A file that this call created keeps what creation gave it.
    if (t.existed && giveBackOwner(fd, t.st, r.path) != 0)
        return 1;
    if (out.tryClose() < 0)
        return report(errno, "Unable to close file %s: %s\n", r.path);
    return 0;
}

// The edit itself, under the lock; 0 or 1.
int editLocked(const Request& r) {
    Target t;
    if (statTarget(r, t) != 0)
        return 1;
    // Nothing to remove from: a failure the callers expect, so no message.
    if (r.action == FILE_STR_REMOVE && !t.existed)
        return 1;
    if (r.action == FILE_STR_ADD && r.position == APPEND_POSITION)
        return appendLine(r, t);
    return rewriteFile(r, t);
}

// Takes the lock of the path; false after the message, which ends with the
// system's text of the error, or the exception's own text when it has none.
bool takeLock(const char* path, std::optional<quarn::MKLock>& lock) {
    try {
        lock.emplace(path);
        return true;
    } catch (const quarn::SystemError& e) {
        report(e.error(), "Error occurred while locking the file %s: %s\n", path);
    } catch (const std::exception& e) {
        errno = 0;
        messlog2(0, 0, "Error occurred while locking the file %s: %s\n", path, e.what());
    }
    return false;
}

// Releases the lock; 0, or 1 after the message.
int releaseLock(quarn::MKLock& lock, const char* path) {
    try {
        lock.unlock();
        return 0;
    } catch (const quarn::SystemError& e) {
        return report(e.error(), "Error occurred while unlocking the file %s: %s\n", path);
    }
}

}  // namespace

int file_str(const char* path, const char* text, int action, int position) {
    return file_str_at(AT_FDCWD, path, path, text, action, position);
}

int file_str_at(int dirfd, const char* name, const char* path, const char* text, int action,
                int position) {
    try {
        Request request;
        request.dir = dirfd;
        request.name = name;
        if (!name || !makeRequest(path, text, action, position, request)) {
            // No caller passes these; refused before anything is touched.
            errno = EINVAL;
            messlog2(0, 0, "file_str: invalid arguments\n");
            return 1;
        }
        std::optional<quarn::MKLock> lock;
        if (!takeLock(path, lock))
            return 1;
        if (editLocked(request) != 0)
            return 1;
        return releaseLock(*lock, path);
    } catch (const std::exception& e) {
        // Only memory can run out here; the guards have removed the
        // temporary file and released the lock by now.
        errno = 0;
        messlog2(0, 0, "file_str: %s\n", e.what());
        return 1;
    }
}
