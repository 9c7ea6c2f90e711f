#include "mail/lib/files/domain_keys.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <boost/algorithm/string/case_conv.hpp>
#include <boost/algorithm/string/classification.hpp>
#include <boost/algorithm/string/split.hpp>
#include <boost/filesystem.hpp>

#include "lib/errors/log.h"
#include "lib/util/fd_owner.h"
#include "lib/names/name_rules.h"
#include "lib/util/plain_file.h"
#include "lib/util/umask_guard.h"
#include "mail/lib/files/scratch_file.h"
#include "mail/lib/tree/popuser.h"

const char* const DOMAINKEYS_DIR = "/etc/domainkeys";

namespace {

const char* const KEY_NAME = "default";

// The key directory of a domain. Only a valid domain name may become a path
// component: an empty name or ".." would point at DOMAINKEYS_DIR or above.
bool keyDirectory(const char* domain, std::string& dir) {
    std::string name = boost::algorithm::to_lower_copy(std::string(domain));
    errno = 0;
    if (!quarn::isValidDomainName(name)) {
        messlog2(0, 0, "Invalid domain name '%s'", domain);
        return false;
    }
    dir = std::string(DOMAINKEYS_DIR) + "/" + name;
    if (dir.size() >= 4096) {
        messlog2(0, 0, "Domain name '%s' is too long to be stored in %s", name.c_str(),
                 DOMAINKEYS_DIR);
        return false;
    }
    if (dir.size() + 1 + std::strlen(KEY_NAME) >= 4096) {
        messlog2(0, 0, "File name '%s' is too long to be stored in %s/%s", KEY_NAME,
                 DOMAINKEYS_DIR, name.c_str());
        return false;
    }
    return true;
}

std::vector<std::string> splitDomains(const char* domains) {
    std::vector<std::string> list;
    boost::algorithm::split(list, std::string(domains), boost::algorithm::is_any_of(","));
    return list;
}

gid_t popuserGroup() {
    uid_t uid;
    gid_t gid;
    return popuser_ids(&uid, &gid) == 0 ? gid : 0;
}

// Copies the source into a new file that nobody but root can read until it
// is root:popuser 0440, then renames it over the key file.
bool copyKey(int source, const std::string& target, gid_t group) {
    quarn::ScratchFile tmp;
    if (lseek(source, 0, SEEK_SET) < 0 || !tmp.create(target, 0400))
        return false;
    char buffer[8192];
    for (;;) {
        ssize_t n = read(source, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            break;
        if (!write_all(tmp.fd(), buffer, n))
            return false;
    }
    return fchown(tmp.fd(), 0, group) == 0 && fchmod(tmp.fd(), 0440) == 0 && tmp.commit();
}

// Sets the key of one domain; false after a message.
bool setOne(const std::string& domain, int source, gid_t group) {
    std::string dir;
    if (!keyDirectory(domain.c_str(), dir))
        return false;
    boost::system::error_code error;
    {
        quarn::UmaskGuard mask(022);
        boost::filesystem::create_directories(dir, error);
    }
    if (error) {
        messlog2(0, 0, "Unable to create directory %s: %s", dir.c_str(), error.message().c_str());
        return false;
    }
    std::string target = dir + "/" + KEY_NAME;
    if (!copyKey(source, target, group)) {
        int saved = errno;
        messlog2(1, 0, "Unable to copy the domain key to %s: %s", target.c_str(),
                 std::strerror(saved));
    }
    return true;
}

}  // namespace

char* get_domainkeys_file(const char* domain) {
    std::string dir;
    if (!keyDirectory(domain, dir))
        return nullptr;
    return strdup((dir + "/" + KEY_NAME).c_str());
}

int domainkeys_enabled(const char* domain) {
    char* path = get_domainkeys_file(domain);
    if (!path)
        return 0;
    struct stat st;
    bool found = stat(path, &st) == 0 && S_ISREG(st.st_mode);
    std::free(path);
    return found ? 1 : 0;
}

int set_domain_key(const char* domains, const char* keyFile) {
    // An uploaded file: a link or a second name of it could hand any file
    // of the system to popuser's group.
    int fd = open_plain_file(keyFile, O_RDONLY, 0, nullptr);
    if (fd < 0) {
        int error = errno;
        messlog2(0, 0, "No source file '%s': %s", keyFile, std::strerror(error));
        return -1;
    }
    quarn::process::FdOwner source = quarn::process::FdOwner::adopt(fd);
    gid_t group = popuserGroup();
    int result = 0;
    for (const std::string& domain : splitDomains(domains))
        if (!setOne(domain, source.get(), group))
            result = -1;
    return result;
}

int clone_domain_key(const char* sourceDomain, const char* targetDomains) {
    char* path = get_domainkeys_file(sourceDomain);
    if (!path)
        return -1;
    struct stat st;
    int result = stat(path, &st) == 0 && S_ISREG(st.st_mode) ? set_domain_key(targetDomains, path)
                                                             : 0;
    std::free(path);
    return result;
}

int remove_domain_key(const char* domains) {
    int result = 0;
    for (const std::string& domain : splitDomains(domains)) {
        std::string dir;
        if (!keyDirectory(domain.c_str(), dir)) {
            result = -1;
            continue;
        }
        boost::system::error_code error;
        boost::filesystem::remove_all(dir, error);
        if (error)
            messlog2(1, 0, "Unable to remove %s: %s", dir.c_str(), error.message().c_str());
    }
    return result;
}
