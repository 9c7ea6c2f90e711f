#include "mail/lib/quota/maildirpp_usage.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "lib/util/fd_owner.h"
#include "lib/util/plain_file.h"
#include "lib/util/working_dir_guard.h"
#include "mail/lib/tree/dir_handle.h"
#include "mail/lib/tree/tree_dir.h"
#include "mail/lib/quota/maildir_message_size.h"
#include "mail/lib/quota/maildirpp_folder.h"
#include "mail/lib/quota/maildirsize_text.h"

namespace {

using quarn::mail::DirHandle;
using quarn::mail::isDotOrDotDot;

const size_t PATH_BUFFER = 4096;

// Adds the messages of one subdirectory (new or cur). One that is missing
// or cannot be opened holds nothing that could be counted, so it counts as
// empty; a message that vanished while it was looked at was delivered
// elsewhere or removed and is not counted either.
// A link in their place is not followed: it counts as missing.
bool countMessages(int folder, const char* subdir, sizequota_t* size, fcount_t* count,
                   time_t* mtime) {
    DirHandle dir(quarn::mail::openDirAt(folder, subdir));
    if (!dir)
        return true;
    struct stat st;
    if (fstat(dirfd(dir.get()), &st) == 0 && st.st_mtime > *mtime)
        *mtime = st.st_mtime;
    errno = 0;
    while (const struct dirent* entry = readdir(dir.get())) {
        if (isDotOrDotDot(entry->d_name))
            continue;
        sizequota_t bytes;
        if (!maildir_name_size(entry->d_name, &bytes)) {
            if (fstatat(dirfd(dir.get()), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
                if (errno != ENOENT && errno != ENOTDIR)
                    return false;
                errno = 0;
                continue;
            }
            bytes = st.st_size;
        }
        *size += bytes;
        ++*count;
        errno = 0;
    }
    return errno == 0;
}

// new and cur of the folder `folder` ("." for the Maildir itself); a
// folder that is a link, or gone, holds nothing that counts.
bool countFolder(const char* folder, sizequota_t* size, fcount_t* count, time_t* mtime) {
    quarn::mail::TreeDir dir = quarn::mail::TreeDir::openPath(folder);
    if (!dir.ok())
        return true;
    for (const char* sub : {"new", "cur"})
        if (!countMessages(dir.fd(), sub, size, count, mtime))
            return false;
    return true;
}

// A folder counts when its name is a Maildir++ folder name and it is a
// directory; an entry that vanished meanwhile is no folder.
int isCountedFolder(DIR* dir, const struct dirent* entry) {
    if (!maildirpp_folder_name(entry->d_name))
        return 0;
    int isDir = maildirpp_entry_is_dir(dir, entry);
    if (isDir < 0 && errno == ENOENT)
        return 0;
    return isDir;
}

// "maildirsize" of the current directory read and parsed: 1 usable, 0
// unusable (unreadable, too long, badly formed), -1 missing.
int readMaildirsize(MaildirsizeContents* contents) {
    // popuser's file: a link, a FIFO or a hard link is not read.
    int fd = open_plain_file("maildirsize", O_RDONLY, 0, nullptr);
    if (fd < 0)
        return errno == ENOENT ? -1 : 0;
    quarn::process::FdOwner file = quarn::process::FdOwner::adopt(fd);
    // One byte more than may be used tells a file that is too long.
    char text[MAILDIRSIZE_READ_MAX + 1];
    size_t length = 0;
    while (length < sizeof text) {
        ssize_t n = read(file.get(), text + length, sizeof text - length);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return 0;
        if (n == 0)
            break;
        length += static_cast<size_t>(n);
    }
    if (length > MAILDIRSIZE_READ_MAX) {
        errno = EFBIG;
        return 0;
    }
    if (!parse_maildirsize(text, length, contents)) {
        errno = EINVAL;
        return 0;
    }
    return 1;
}

// A size limit of 0 is none; a sum that overflows passes any limit.
bool sizeOverQuota(sizequota_t size, sizequota_t diff, sizequota_t limit) {
    if (limit == 0)
        return false;
    if (diff <= 0)
        return size > limit;
    sizequota_t total;
    return __builtin_add_overflow(size, diff, &total) || total > limit;
}

// A count limit of 0 is none; a sum that overflows passes any limit.
bool countOverQuota(fcount_t count, long long diff, fcount_t limit) {
    if (limit == 0)
        return false;
    fcount_t total;
    if (diff >= 0)
        return __builtin_add_overflow(count, static_cast<fcount_t>(diff), &total) ||
               total > limit;
    // Removing more messages than there are leaves none.
    fcount_t removed = 0 - static_cast<fcount_t>(diff);
    return count > removed && count - removed > limit;
}

}  // namespace

// A missing cur or new has no time to give and is passed over, as the
// scan counts it as empty; any other stat failure fails the call.
// A link in place of either is no directory of the mailbox and is passed
// over too.
int get_maildirpp_folder_mtime(const char* dir, time_t* mtime) {
    quarn::mail::TreeDir folder = quarn::mail::TreeDir::openPath(dir);
    if (!folder.ok())
        return errno == ENOENT ? 1 : 0;
    for (const char* sub : {"cur", "new"}) {
        struct stat st;
        if (folder.stat(sub, st) != 0) {
            if (errno == ENOENT)
                continue;
            return 0;
        }
        if (S_ISDIR(st.st_mode) && st.st_mtime > *mtime)
            *mtime = st.st_mtime;
    }
    return 1;
}

// Folders are taken from readdir's entry type; on a file system that does
// not report it, lstat decides, so that folders are not lost there.
int get_maildirpp_messages_usage(sizequota_t* size, fcount_t* count, time_t* mtime) {
    *size = 0;
    *count = 0;
    if (!countFolder(".", size, count, mtime))
        return 0;
    DirHandle top(opendir("."));
    if (!top)
        return 0;
    errno = 0;
    while (const struct dirent* entry = readdir(top.get())) {
        int counted = isCountedFolder(top.get(), entry);
        if (counted < 0)
            return 0;
        if (counted) {
            char probe[PATH_BUFFER];
            if (static_cast<size_t>(std::snprintf(probe, sizeof probe, "%s/maildirfolder",
                                                  entry->d_name)) >= sizeof probe) {
                errno = ENAMETOOLONG;
                return 0;
            }
            if (!countFolder(entry->d_name, size, count, mtime))
                return 0;
        }
        errno = 0;
    }
    return errno == 0;
}

// The file is not trusted when it cannot be read, is longer than the read
// buffer or is badly formed; errno then tells which (EFBIG, EINVAL or the
// read's own error).
int get_maildirpp_usage_and_limits(const char* maildir, int no_recalc, sizequota_t* size,
                                   fcount_t* count, sizequota_t* size_limit,
                                   fcount_t* count_limit) {
    MaildirsizeContents contents;
    *size = 0;
    *count = 0;
    *size_limit = contents.size_limit;
    *count_limit = contents.count_limit;
    quarn::WorkingDirGuard cwd;
    if (!cwd.ok() || quarn::mail::tree_chdir(maildir) != 0)
        return 0;
    int state = readMaildirsize(&contents);
    *size_limit = contents.size_limit;
    *count_limit = contents.count_limit;
    if (state > 0) {
        *size = contents.size;
        *count = contents.count;
        return 1;
    }
    if (no_recalc)
        return 0;
    time_t mtime = 0;
    return get_maildirpp_messages_usage(size, count, &mtime);
}

int get_maildirpp_usage(const char* maildir, sizequota_t* size, fcount_t* count) {
    sizequota_t size_limit;
    fcount_t count_limit;
    return get_maildirpp_usage_and_limits(maildir, 0, size, count, &size_limit, &count_limit);
}

int check_maildirpp_overquota(const char* maildir, sizequota_t size_diff, long long count_diff) {
    sizequota_t size, size_limit;
    fcount_t count, count_limit;
    if (!get_maildirpp_usage_and_limits(maildir, 1, &size, &count, &size_limit, &count_limit))
        return 0;
    return sizeOverQuota(size, size_diff, size_limit) ||
           countOverQuota(count, count_diff, count_limit);
}
