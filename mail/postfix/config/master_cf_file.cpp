#include "mail/postfix/config/master_cf_file.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "lib/errors/errors.h"
#include "lib/util/eintr.h"
#include "lib/util/fd_owner.h"
#include "lib/util/mk_lock.h"
#include "mail/lib/storage/fs_error.h"
#include "mail/postfix/config/master_cf_parser.h"
#include "mail/postfix/tables/postfix_errors.h"

namespace quarn::mail::postfix {

namespace {

/// A temporary file that is removed unless it was renamed into place.
class ScratchPath {
public:
    explicit ScratchPath(std::string path) : path_(std::move(path)) {}
    ScratchPath(const ScratchPath&) = delete;
    ScratchPath& operator=(const ScratchPath&) = delete;
    ~ScratchPath() {
        if (!path_.empty()) {
            int saved = errno;
            ::unlink(path_.c_str());
            errno = saved;
        }
    }
    const std::string& path() const { return path_; }
    void release() { path_.clear(); }

private:
    std::string path_;
};

/// Whether `path` is an empty regular file (which cannot be mapped).
bool isEmptyFile(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size == 0;
}

/// Writes all of `text`; failure throws FSError "write".
void writeAll(int fd, const std::string& text, const std::string& path) {
    const char* data = text.data();
    size_t left = text.size();
    while (left > 0) {
        ssize_t written = retryOnEintr([&] { return ::write(fd, data, left); });
        if (written < 0)
            throw FSError("write", path, errno);
        data += written;
        left -= static_cast<size_t>(written);
    }
}

/// Gives the temporary file the owner and mode of the file it replaces.
void copyOwnerAndMode(int fd, const std::string& target, const std::string& path) {
    struct stat st;
    if (::stat(target.c_str(), &st) != 0) {
        if (errno != ENOENT)
            throw FSError("stat", target, errno);
        if (::fchmod(fd, 0644) != 0)
            throw FSError("chmod", path, errno);
        return;
    }
    if (::fchown(fd, st.st_uid, st.st_gid) != 0)
        throw FSError("chown", path, errno);
    if (::fchmod(fd, st.st_mode & 07777) != 0)
        throw FSError("chmod", path, errno);
}

}  // namespace

void loadMasterCf(const std::string& path, MasterCfContent& content) {
    MasterCfFileIterator first(path);
    if (!first) {
        if (isEmptyFile(path))
            return;
        throw PostfixConfigurationError("unable to open " + path);
    }
    MasterCfFileIterator last = first.make_end();
    if (!parseMasterCf(first, last, content))
        throw PostfixConfigurationError("unable to parse " + path);
    content.setMissingFinalLineFeed(*(last - 1) != '\n');
}

void storeMasterCf(const std::string& path, const MasterCfContent& content) {
    MKLock lock(path);
    writeMasterCf(path, content);
}

void writeMasterCf(const std::string& path, const MasterCfContent& content) {
    std::string name = path + "XXXXXX";
    std::vector<char> buffer(name.begin(), name.end());
    buffer.push_back('\0');
    process::FdOwner fd = process::FdOwner::adopt(::mkostemp(buffer.data(), O_CLOEXEC));
    if (fd.empty())
        throw SystemError("mkstemp() failed", errno);
    ScratchPath scratch(buffer.data());
    writeAll(fd.get(), content.text(), scratch.path());
    copyOwnerAndMode(fd.get(), path, scratch.path());
    if (retryOnEintr([&] { return ::fsync(fd.get()); }) != 0)
        throw FSError("fsync", scratch.path(), errno);
    if (fd.tryClose() != 0)
        throw FSError("close", scratch.path(), errno);
    if (::rename(scratch.path().c_str(), path.c_str()) != 0) {
        int error = errno;
        throw FSError("rename", scratch.path(), path, error);
    }
    scratch.release();
}

}  // namespace quarn::mail::postfix
