#include "mail/lib/quota/maildirsize_freshness.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

#include "mail/lib/tree/dir_handle.h"
#include "mail/lib/quota/maildirpp_folder.h"
#include "mail/lib/quota/maildirpp_usage.h"
#include "mail/lib/quota/quota_log.h"

int maildirpp_newest_mtime(const char* maildir, time_t* newest) {
    if (!get_maildirpp_folder_mtime(".", newest))
        return 0;
    quarn::mail::DirHandle dir(opendir("."));
    if (!dir) {
        quota_log(errno, "Unable to open Maildir folder. Has it just been removed?");
        return 0;
    }
    errno = 0;
    while (const struct dirent* entry = readdir(dir.get())) {
        if (!maildirpp_folder_name(entry->d_name))
            continue;
        int isDir = maildirpp_entry_is_dir(dir.get(), entry);
        if (isDir < 0)
            return 0;
        if (!isDir)
            quota_log(0, "Bad/unrecognized entry %s within Maildir folder %s\n", entry->d_name,
                      maildir);
        else if (!get_maildirpp_folder_mtime(entry->d_name, newest))
            return 0;
        errno = 0;
    }
    return errno == 0;
}

// A file whose times cannot be set back would pass for a fresh count of
// a mailbox that has changed since: that is reported as a failure although
// the file is in place.
int maildirsize_check_freshness(const char* maildir, time_t seen) {
    time_t newest = seen;
    if (maildirpp_newest_mtime(maildir, &newest) && newest <= seen)
        return 1;
    // Access time now; the modification time far enough back for the
    // delivery agent to take the file as out of date.
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_NOW;
    times[1].tv_sec = seen - MAILDIRSIZE_SET_BACK;
    times[1].tv_nsec = 0;
    if (utimensat(AT_FDCWD, "maildirsize", times, AT_SYMLINK_NOFOLLOW) != 0) {
        quota_log(errno, "unable to set back the modification time of %s/maildirsize", maildir);
        return 0;
    }
    return 1;
}
