#include "mail/lib/quota/maildirpp_folder.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cstring>

#include "mail/lib/tree/dir_handle.h"

const char* const MAILDIRPP_TRASH = ".Trash";

bool maildirpp_folder_name(const char* name) {
    return name[0] == '.' && !quarn::mail::isDotOrDotDot(name) &&
           std::strcmp(name, MAILDIRPP_TRASH) != 0;
}

int maildirpp_entry_is_dir(DIR* dir, const struct dirent* entry) {
    if (entry->d_type != DT_UNKNOWN)
        return entry->d_type == DT_DIR;
    // Some file systems leave d_type empty; lstat tells the same without
    // following a symbolic link.
    struct stat st;
    if (fstatat(dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return -1;
    return S_ISDIR(st.st_mode);
}
