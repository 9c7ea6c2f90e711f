// Line editing of small files that other programs read (.qmail, the milter
// settings), under the same path lock as the table writers.
#ifndef QUARN_LIB_UTIL_FILE_STR_H
#define QUARN_LIB_UTIL_FILE_STR_H

/// Actions of file_str.
enum {
    FILE_STR_ADD = 0,             ///< position 0: first line, 1: append
    FILE_STR_REMOVE = 1,          ///< drop lines equal to the text
    FILE_STR_REMOVE_MATCHING = 2  ///< position 0: prefix, 1: suffix, 2: anywhere
};

/// 0 on success, 1 on failure after a message.  `text` is one non-empty line,
/// with or without its line feed; a text with a line feed anywhere but at
/// its end is refused before anything is touched.  Owner, group and mode of
/// an existing file are kept.
int file_str(const char* path, const char* text, int action, int position);

/// file_str of the file `name` in the directory `dirfd` (the file and its
/// scratch file are reached only by *at calls, so no directory is looked up
/// by name again); `path` names it for the lock and the messages.
int file_str_at(int dirfd, const char* name, const char* path, const char* text, int action,
                int position);

#endif
