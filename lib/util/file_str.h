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
/// with or without its line feed.  Owner, group and mode of an existing file
/// are kept.
int file_str(const char* path, const char* text, int action, int position);

#endif
