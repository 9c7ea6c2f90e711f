// Which entries of a Maildir are Maildir++ folders that count for the quota.
#ifndef QUARN_MAIL_LIB_QUOTA_MAILDIRPP_FOLDER_H
#define QUARN_MAIL_LIB_QUOTA_MAILDIRPP_FOLDER_H

#include <dirent.h>

/// The folder name that the quota leaves out: a dot and "Trash".
extern const char* const MAILDIRPP_TRASH;

/// A name starting with "." that is neither "." nor ".." nor the Trash.
bool maildirpp_folder_name(const char* name);

/// 1 when `entry` of the open directory `dir` is a directory, 0 when it is
/// something else, -1 with errno when that cannot be found out. Entries
/// whose type readdir does not report are looked at with lstat.
int maildirpp_entry_is_dir(DIR* dir, const struct dirent* entry);

#endif
