#include "mail/lib/files/spf_settings.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "lib/errors/log.h"
#include "mail/lib/files/scratch_file.h"

namespace {

struct SpfFile {
    const char* path;
    const char* parameter;
};

const SpfFile SPF_FILES[] = {
    {"/etc/vel-spf/spfbehavior", "spf_behavior"},
    {"/etc/vel-spf/spfrules", "spf_rules"},
    {"/etc/vel-spf/spfguess", "spf_guess"},
    {"/etc/vel-spf/spfexp", "spf_exp"},
};

// Puts `text` in place of the file, keeping an existing file's owner and mode
// (0644 root for a new one). False after a message.
bool replaceText(const char* path, const char* text) {
    struct stat old;
    if (stat(path, &old) != 0) {
        old.st_uid = 0;
        old.st_gid = 0;
        old.st_mode = 0644;
    }
    quarn::ScratchFile tmp;
    if (!tmp.create(path, 0600)) {
        int error = errno;
        messlog2(0, 0, "Unable to open file %s for writing: %s", path, std::strerror(error));
        return false;
    }
    if (fchown(tmp.fd(), old.st_uid, old.st_gid) != 0 || fchmod(tmp.fd(), old.st_mode & 07777) != 0 ||
        !tmp.write(text) || !tmp.commit()) {
        int error = errno;
        messlog2(0, 0, "Unable to close file %s: %s", path, std::strerror(error));
        return false;
    }
    return true;
}

}  // namespace

int update_spf(const char* behavior, const char* rules, const char* guess,
               const char* explanation) {
    const char* texts[] = {behavior, rules, guess, explanation};
    for (int i = 0; i < 4; ++i) {
        if (!texts[i] || replaceText(SPF_FILES[i].path, texts[i]))
            continue;
        errno = 0;
        messlog2(0, 0, "Unable to update '%s' parameter", SPF_FILES[i].parameter);
        return -1;
    }
    return 0;
}
