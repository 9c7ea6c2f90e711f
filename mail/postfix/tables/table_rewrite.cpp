#include "mail/postfix/tables/table_rewrite.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "lib/errors/errors.h"
#include "lib/process/pipe.h"
#include "mail/postfix/tables/postfix_errors.h"
#include "mail/postfix/tables/postmap_command.h"

namespace quarn::mail::postfix {

namespace {

const char* const ScratchMark = ".rewrite-";

// The file postmap makes from a source of this type; empty when the type
// keeps a table in more than one file or is unknown here.
std::string indexSuffix(const std::string& type) {
    if (type.empty() || type == "hash:" || type == "btree:")
        return ".db";
    if (type == "cdb:")
        return ".cdb";
    if (type == "lmdb:")
        return ".lmdb";
    return std::string();
}

std::string directoryOf(const std::string& path) {
    std::string::size_type slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string scratchPrefix(const std::string& path) {
    std::string::size_type slash = path.rfind('/');
    return "." + path.substr(slash == std::string::npos ? 0 : slash + 1) + ScratchMark;
}

// After the rename, so that the new name survives a crash of the machine.
// Best effort: the table has been replaced already, and saying otherwise
// would make the caller believe the old one stands.
void syncDirectory(const std::string& dir) noexcept {
    int fd = process::openDescriptor(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    process::closeDescriptor(fd);
}

}  // namespace

TableRewrite::TableRewrite(const std::string& map, const MKLock& lock) : lock_(lock) {
    std::string::size_type colon = map.find(':');
    if (colon != std::string::npos)
        type_ = map.substr(0, colon + 1);
    tablePath_ = colon == std::string::npos ? map : map.substr(colon + 1);
    suffix_ = indexSuffix(type_);
    removeLeftovers();
    std::string name = directoryOf(tablePath_) + "/" + scratchPrefix(tablePath_) + "XXXXXX";
    std::vector<char> scratch(name.begin(), name.end());
    scratch.push_back('\0');
    int fd = ::mkostemp(scratch.data(), O_CLOEXEC);
    if (fd < 0)
        throw SystemError("create " + name, errno);
    scratchPath_ = scratch.data();
    writer_ = std::make_unique<SourceWriter>(process::FdOwner::adopt(fd), scratchPath_);
}

TableRewrite::~TableRewrite() {
    int saved = errno;
    writer_.reset();
    ::unlink(scratchPath_.c_str());
    if (!committed_ && !suffix_.empty())
        ::unlink((scratchPath_ + suffix_).c_str());
    errno = saved;
}

// Only under the table lock: no other rewrite of this table is running, and
// postmap children of a killed one hold the lock until they end.
void TableRewrite::removeLeftovers() const {
    const std::string dir = directoryOf(tablePath_);
    const std::string prefix = scratchPrefix(tablePath_);
    DIR* d = ::opendir(dir.c_str());
    if (!d)
        return;  // creating the scratch file will say what is wrong
    std::vector<std::string> names;
    while (dirent* entry = ::readdir(d)) {
        if (std::strncmp(entry->d_name, prefix.c_str(), prefix.size()) == 0)
            names.push_back(entry->d_name);
    }
    int fd = ::dirfd(d);
    for (const std::string& name : names)
        ::unlinkat(fd, name.c_str(), 0);
    ::closedir(d);
}

void TableRewrite::build(bool overwrite) {
    writer_->finish();
    const std::string map = type_ + scratchPath_;
    process::Pipe pipe(overwrite ? postmapCommand({"-r", map}) : postmapCommand({map}));
    runPostmapOrThrow(pipe, lock_);
}

void TableRewrite::commit() {
    if (suffix_.empty())
        throw PostfixConfigurationError("table type " + type_ + " cannot be replaced by a rename");
    const std::string index = scratchPath_ + suffix_;
    const std::string target = tablePath_ + suffix_;
    process::FdOwner fd = process::FdOwner::open(
        index.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC, 0, "open " + index);
    struct stat old;
    if (::stat(target.c_str(), &old) == 0) {
        if (::fchown(fd.get(), old.st_uid, old.st_gid) < 0)
            throw SystemError("chown " + index, errno);
        if (::fchmod(fd.get(), old.st_mode & 07777) < 0)
            throw SystemError("chmod " + index, errno);
    } else if (errno != ENOENT) {
        throw SystemError("stat " + target, errno);
    }
    if (::fsync(fd.get()) < 0)
        throw SystemError("fsync " + index, errno);
    fd.close("close " + index);
    if (::rename(index.c_str(), target.c_str()) < 0)
        throw SystemError("rename " + index + " to " + target, errno);
    committed_ = true;
    syncDirectory(directoryOf(tablePath_));
}

}  // namespace quarn::mail::postfix
