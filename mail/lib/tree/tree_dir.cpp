#include "mail/lib/tree/tree_dir.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "lib/util/eintr.h"
#include "lib/names/name_rules.h"
#include "lib/util/plain_file.h"
#include "mail/lib/tree/mail_root.h"
#include "mail/lib/tree/tree_removal.h"

namespace quarn {
namespace mail {

namespace {

using process::FdOwner;

/// False with EINVAL for a name that is not one safe path component.
bool safeName(const std::string& name) {
    if (isSafePathComponent(name))
        return true;
    errno = EINVAL;
    return false;
}

/// `base` joined with `name` for messages.
std::string join(const std::string& base, const std::string& name) {
    if (base.empty())
        return name;
    return base.back() == '/' ? base + name : base + "/" + name;
}

/// Whether `path` is `root` or lies below it; `rest` gets what follows.
bool below(const std::string& path, const std::string& root, std::string& rest) {
    if (path.compare(0, root.size(), root) != 0)
        return false;
    if (path.size() > root.size() && path[root.size()] != '/')
        return false;
    rest = path.substr(root.size());
    return true;
}

}  // namespace

int tree_open_dir_at(int dirfd, const char* name) noexcept {
    if (!isSafePathComponent(name)) {
        errno = EINVAL;
        return -1;
    }
    return retryOnEintr(
        [&] { return openat(dirfd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC); });
}

TreeDir TreeDir::openTrusted(const std::string& path) {
    int fd = retryOnEintr(
        [&] { return open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); });
    if (fd < 0)
        return TreeDir();
    return TreeDir(FdOwner::adopt(fd), path);
}

// Only the mail root itself is opened by name: its parents belong to root.
// Anywhere else the walk starts at "/" or at the working directory (the
// caller's own), and every component is checked the same way.
TreeDir TreeDir::openPath(const std::string& path) {
    if (path.empty()) {
        errno = ENOENT;
        return TreeDir();
    }
    std::string rest = path;
    TreeDir start;
    if (path[0] != '/')
        start = openTrusted(".");
    else if (below(path, mailRootPath(), rest))
        start = openTrusted(mailRootPath());
    else
        start = openTrusted("/");
    if (!start.ok())
        return TreeDir();
    TreeDir dir = start.walk(rest);
    if (dir.ok())
        dir.path_ = path;
    return dir;
}

std::string TreeDir::pathOf(const std::string& name) const { return join(path_, name); }

TreeDir TreeDir::child(const std::string& name) const {
    int fd = tree_open_dir_at(fd_.get(), name.c_str());
    if (fd < 0)
        return TreeDir();
    return TreeDir(FdOwner::adopt(fd), pathOf(name));
}

// "." and empty components are passed over; ".." is refused by child().
TreeDir TreeDir::walk(const std::string& relative) const {
    TreeDir dir;
    const TreeDir* at = this;
    std::string::size_type begin = 0;
    while (begin <= relative.size()) {
        std::string::size_type slash = relative.find('/', begin);
        if (slash == std::string::npos)
            slash = relative.size();
        std::string name = relative.substr(begin, slash - begin);
        begin = slash + 1;
        if (name.empty() || name == ".")
            continue;
        dir = at->child(name);
        if (!dir.ok())
            return TreeDir();
        at = &dir;
    }
    if (at == this) {
        // Nothing to walk: a descriptor of its own for this directory.
        int fd = fcntl(fd_.get(), F_DUPFD_CLOEXEC, 0);
        if (fd < 0)
            return TreeDir();
        return TreeDir(FdOwner::adopt(fd), path_);
    }
    return dir;
}

int TreeDir::stat(const std::string& name, struct stat& st) const {
    if (!safeName(name))
        return -1;
    return retryOnEintr(
        [&] { return fstatat(fd_.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW); });
}

int TreeDir::makeDir(const std::string& name, mode_t mode) const {
    if (!safeName(name))
        return -1;
    if (retryOnEintr([&] { return mkdirat(fd_.get(), name.c_str(), mode); }) == 0 ||
        errno == EEXIST)
        return 0;
    return -1;
}

int TreeDir::setOwnerAndMode(uid_t uid, gid_t gid, mode_t mode) const {
    if (retryOnEintr([&] { return fchown(fd_.get(), uid, gid); }) != 0)
        return -1;
    return retryOnEintr([&] { return fchmod(fd_.get(), mode); });
}

int TreeDir::rename(const std::string& from, const TreeDir& to, const std::string& toName) const {
    if (!safeName(from) || !safeName(toName))
        return -1;
    return retryOnEintr([&] {
        return renameat(fd_.get(), from.c_str(), to.fd(), toName.c_str());
    });
}

int TreeDir::removeTree(const std::string& name) const {
    if (!safeName(name))
        return -1;
    return tree_remove_at(fd_.get(), name.c_str());
}

int TreeDir::unlink(const std::string& name) const {
    if (!safeName(name))
        return -1;
    return retryOnEintr([&] { return unlinkat(fd_.get(), name.c_str(), 0); });
}

int TreeDir::openFile(const std::string& name, int flags, mode_t mode,
                      const struct stat* expected) const {
    if (!safeName(name))
        return -1;
    return open_plain_file_at(fd_.get(), name.c_str(), flags, mode, expected);
}

int TreeDir::changeInto() const {
    return retryOnEintr([&] { return fchdir(fd_.get()); });
}

int tree_chdir(const char* path) noexcept {
    try {
        TreeDir dir = TreeDir::openPath(path);
        return dir.ok() ? dir.changeInto() : -1;
    } catch (const std::bad_alloc&) {
        errno = ENOMEM;
        return -1;
    }
}

}  // namespace mail
}  // namespace quarn
