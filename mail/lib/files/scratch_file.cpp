#include "mail/lib/files/scratch_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <random>

#include "lib/util/eintr.h"
#include "lib/util/plain_file.h"

namespace quarn {

namespace {

std::string randomSuffix() {
    static const char letters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    static std::random_device device;
    std::uniform_int_distribution<int> pick(0, sizeof letters - 2);
    std::string suffix(6, 'X');
    for (char& c : suffix)
        c = letters[pick(device)];
    return suffix;
}

}  // namespace

ScratchFile::~ScratchFile() {
    int saved = errno;
    fd_.closeQuietly();
    if (!path_.empty() && !placed_)
        ::unlink(path_.c_str());
    errno = saved;
}

bool ScratchFile::create(const std::string& target, mode_t mode) {
    target_ = target;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string path = target + "." + randomSuffix();
        int fd = process::openDescriptor(
            path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd >= 0) {
            fd_ = process::FdOwner::adopt(fd);
            path_ = path;
            return true;
        }
        if (errno != EEXIST)
            return false;
    }
    return false;
}

bool ScratchFile::write(const std::string& text) {
    return write_all(fd_.get(), text.data(), text.size());
}

bool ScratchFile::finish() {
    return retryOnEintr([this] { return ::fsync(fd_.get()); }) == 0 && fd_.tryClose() == 0;
}

bool ScratchFile::place() {
    if (::rename(path_.c_str(), target_.c_str()) < 0)
        return false;
    placed_ = true;
    return true;
}

}  // namespace quarn
