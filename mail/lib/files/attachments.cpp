#include "mail/lib/files/attachments.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "lib/errors/log.h"
#include "lib/util/eintr.h"
#include "lib/util/fd_owner.h"
#include "lib/util/plain_file.h"
#include "mail/lib/files/attachments_dir.h"
#include "mail/lib/tree/popuser.h"

using quarn::mail::TreeDir;
using quarn::process::FdOwner;

namespace {

/// A new file in a tree directory, created without following a link and
/// removed by the destructor unless it was renamed into place.
class TreeScratch {
public:
    explicit TreeScratch(const TreeDir& dir) : dir_(dir) {}
    TreeScratch(const TreeScratch&) = delete;
    TreeScratch& operator=(const TreeScratch&) = delete;
    ~TreeScratch() {
        int saved = errno;
        fd_.closeQuietly();
        if (!name_.empty() && !placed_)
            unlinkat(dir_.fd(), name_.c_str(), 0);
        errno = saved;
    }

    /// Creates ".mxwarden-XXXXXX" with mode 0600; false with errno.
    bool create() {
        static std::random_device device;
        std::uniform_int_distribution<unsigned> pick(0, 0xffffff);
        for (int attempt = 0; attempt < 100; ++attempt) {
            char name[32];
            std::snprintf(name, sizeof name, ".mxwarden-%06x", pick(device));
            int fd = quarn::retryOnEintr([&] {
                return openat(dir_.fd(), name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                              0600);
            });
            if (fd >= 0) {
                fd_ = FdOwner::adopt(fd);
                name_ = name;
                return true;
            }
            if (errno != EEXIST)
                return false;
        }
        return false;
    }
    int fd() const noexcept { return fd_.get(); }
    /// fsync, close and rename over `target` (a link there is replaced,
    /// not followed); false with errno.
    bool place(const char* target) {
        if (quarn::retryOnEintr([&] { return fsync(fd_.get()); }) != 0 || fd_.tryClose() != 0)
            return false;
        if (dir_.rename(name_, dir_, target) != 0)
            return false;
        placed_ = true;
        return true;
    }

private:
    const TreeDir& dir_;
    std::string name_;
    FdOwner fd_;
    bool placed_ = false;
};

/// Copies everything from `from` to `to`; false with errno.
bool copyContent(int from, int to) {
    char buffer[65536];
    for (;;) {
        ssize_t n = quarn::retryOnEintr([&] { return read(from, buffer, sizeof buffer); });
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        if (!write_all(to, buffer, static_cast<std::size_t>(n)))
            return false;
    }
}

/// popuser's own file, readable by the autoresponder: 0644.
bool giveToPopuser(int fd) {
    uid_t uid;
    gid_t gid;
    if (popuser_ids(&uid, &gid) != 0)
        return false;
    return quarn::retryOnEintr([&] { return fchown(fd, uid, gid); }) == 0 &&
           quarn::retryOnEintr([&] { return fchmod(fd, 0644); }) == 0;
}

/// The copy itself; false with errno.
bool copyAttachment(const std::string& domain, const char* mailname, const char* source,
                    const char* name) {
    if (!quarn::mail::isAttachmentName(name))
        return false;
    // The file becomes readable by everybody: a link or a second name of
    // it must not hand over a file the panel did not upload.
    int fd = open_plain_file(source, O_RDONLY, 0, nullptr);
    if (fd < 0)
        return false;
    FdOwner in = FdOwner::adopt(fd);
    TreeDir dir = quarn::mail::openAttachmentsDir(domain, mailname);
    if (!dir.ok())
        return false;
    TreeScratch out(dir);
    return out.create() && copyContent(in.get(), out.fd()) && giveToPopuser(out.fd()) &&
           out.place(name);
}

}  // namespace

int add_attachment(const char* mailname, const char* domain, const char* sourceFile,
                   const char* attachmentName) {
    const std::string ascii = quarn::mail::attachmentsAsciiDomain(domain);
    if (copyAttachment(ascii, mailname, sourceFile, attachmentName))
        return 0;
    int error = errno;
    std::string target = quarn::mail::attachmentsPath(ascii, mailname) + "/" + attachmentName;
    errno = error;
    messlog2(0, 0, "Unable to copy the attachment file %s to %s\n", sourceFile, target.c_str());
    return -1;
}

int remove_attachment(const char* mailname, const char* domain, const char* attachmentName) {
    const std::string ascii = quarn::mail::attachmentsAsciiDomain(domain);
    int result = -1;
    if (quarn::mail::isAttachmentName(attachmentName)) {
        TreeDir dir = quarn::mail::openAttachmentsDir(ascii, mailname);
        result = dir.ok() ? dir.unlink(attachmentName) : -1;
    }
    if (result == 0 || errno == ENOENT)
        return 0;
    int error = errno;
    std::string target = quarn::mail::attachmentsPath(ascii, mailname) + "/" + attachmentName;
    messlog2(0, 0, "Unable to delete the attachment file %s: %s\n", target.c_str(),
             std::strerror(error));
    return -1;
}
