#include "mail/lib/files/attachments_list.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "lib/errors/log.h"
#include "lib/util/eintr.h"
#include "mail/lib/files/attachments_dir.h"
#include "mail/lib/tree/dir_handle.h"
#include "mail/lib/tree/mail_root.h"

using quarn::mail::DirHandle;
using quarn::mail::TreeDir;

namespace {

/// The directory `name` of `parent` as a stream, opened without following
/// a link; null with errno.
DirHandle streamOf(const TreeDir& parent, const std::string& name) {
    return parent.ok() ? quarn::mail::openDirAt(parent.fd(), name.c_str()) : DirHandle();
}

/// The next entry, null at the end or on a read error (errno tells).
const dirent* nextEntry(DIR* dir) {
    errno = 0;
    return readdir(dir);
}

/// Closes the stream; false after "Unable to close dir: %s\n".
bool closeStream(DirHandle& dir) {
    if (closedir(dir.release()) == 0)
        return true;
    int error = errno;
    messlog2(0, 0, "Unable to close dir: %s\n", std::strerror(error));
    return false;
}

/// Prints one entry of the attachments directory unless it is a
/// directory; false after a message when it cannot be examined.
bool printEntry(DIR* dir, const std::string& path, const char* name, bool blocks, bool full) {
    struct stat st;
    std::string entry = path + "/" + name;
    // Never followed: popuser may have put a link to any file here.
    if (quarn::retryOnEintr(
            [&] { return fstatat(dirfd(dir), name, &st, AT_SYMLINK_NOFOLLOW); }) != 0) {
        int error = errno;
        messlog2(0, 0, "stat %s failed: %s", entry.c_str(), std::strerror(error));
        return false;
    }
    if (S_ISDIR(st.st_mode))
        return true;
    long long size = blocks ? static_cast<long long>(st.st_blocks) * 512
                            : static_cast<long long>(st.st_size);
    std::printf("%s\t%lld\n", full ? entry.c_str() : name, size);
    return true;
}

/// The listing of one attachments directory, the domain in ASCII form.
int listDirectory(const std::string& domain, const char* mailname, bool blocks, bool full) {
    const std::string path = quarn::mail::attachmentsPath(domain, mailname);
    DirHandle dir = streamOf(quarn::mail::openMailnameHome(domain, mailname),
                              quarn::mail::ATTACHMENTS_DIR_NAME);
    if (!dir) {
        int error = errno;
        messlog2(0, 0, "Unable to open dir %s: %s\n", path.c_str(), std::strerror(error));
        return -1;
    }
    int result = 0;
    while (const dirent* e = nextEntry(dir.get())) {
        if (!printEntry(dir.get(), path, e->d_name, blocks, full)) {
            result = -1;
            break;
        }
    }
    if (result == 0 && errno != 0) {
        int error = errno;
        messlog2(0, 0, "Unable to read dir %s: %s\n", path.c_str(), std::strerror(error));
        result = -1;
    }
    std::fflush(stdout);
    return closeStream(dir) ? result : -1;
}

/// Whether the entry `name` of `dir` is a directory itself (not a link).
bool isSubdirectory(DIR* dir, const char* name) {
    struct stat st;
    return quarn::retryOnEintr([&] {
               return fstatat(dirfd(dir), name, &st, AT_SYMLINK_NOFOLLOW);
           }) == 0 &&
           S_ISDIR(st.st_mode);
}

}  // namespace

int list_attachments(const char* mailname, const char* domain, int sizeInBlocks, int fullPath) {
    const std::string ascii = quarn::mail::attachmentsAsciiDomain(domain);
    if (!mailname || !*mailname) {
        errno = 0;
        messlog2(1, 0, "MailName empty for domain '%s'", ascii.c_str());
        return -1;
    }
    return listDirectory(ascii, mailname, sizeInBlocks != 0, fullPath != 0);
}

int list_all_attachments(const char* domain, int sizeInBlocks, int fullPath) {
    const std::string ascii = quarn::mail::attachmentsAsciiDomain(domain);
    const std::string path = quarn::mail::mailRootPath() + "/" + ascii;
    DirHandle dir = streamOf(quarn::mail::openMailRoot(), ascii);
    if (!dir) {
        int error = errno;
        messlog2(0, 0, "Unable to open dir %s: %s\n", path.c_str(), std::strerror(error));
        return -1;
    }
    while (const dirent* e = nextEntry(dir.get())) {
        if (quarn::mail::isDotOrDotDot(e->d_name) || !isSubdirectory(dir.get(), e->d_name))
            continue;
        listDirectory(ascii, e->d_name, sizeInBlocks != 0, fullPath != 0);
    }
    if (errno != 0) {
        int error = errno;
        messlog2(0, 0, "Unable to read dir %s: %s\n", path.c_str(), std::strerror(error));
        closeStream(dir);
        return -1;
    }
    return closeStream(dir) ? 0 : -1;
}
