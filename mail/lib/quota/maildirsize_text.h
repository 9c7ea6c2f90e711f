// The text of a maildirsize file: the limits on the first line, then one
// size and count delta per line.
#ifndef QUARN_MAIL_LIB_QUOTA_MAILDIRSIZE_TEXT_H
#define QUARN_MAIL_LIB_QUOTA_MAILDIRSIZE_TEXT_H

#include <stddef.h>
#include <stdint.h>

#include "mail/lib/quota/quota_types.h"

/// The buffer the two lines written by this system must fit in.
const size_t MAILDIRSIZE_WRITE_MAX = 100;
/// The largest maildirsize file that is read; a longer one is unusable.
const size_t MAILDIRSIZE_READ_MAX = 5120;

/// The size limit written for a requested quota: a negative request (no
/// limit) becomes 0 and a request of 0 one byte, since 0 in the file means
/// no limit.
sizequota_t maildirsize_size_limit(sizequota_t quota);

/// The header and the usage line into `buffer`: the text's length, or -1
/// with EINVAL when it does not fit `size` bytes.
int format_maildirsize(char* buffer, size_t size, sizequota_t size_limit, fcount_t count_limit,
                       sizequota_t usage, fcount_t count);

/// The limits of a header line given without its line feed; false when it
/// is not one of the two accepted forms.
bool parse_maildirsize_header(const char* line, size_t length, sizequota_t* size_limit,
                              fcount_t* count_limit);

/// The deltas of one following line given without its line feed; false
/// when it is not two numbers separated by white space.
bool parse_maildirsize_line(const char* line, size_t length, sizequota_t* size, fcount_t* count);

/// What a maildirsize text says. The limits start at their largest values,
/// which is what an unusable header leaves.
struct MaildirsizeContents {
    sizequota_t size = 0;
    fcount_t count = 0;
    sizequota_t size_limit = INT64_MAX;
    fcount_t count_limit = UINT64_MAX;
};

/// Parses a whole file's text into `contents`: true when the header and
/// every line are good and end with a line feed. A good header's limits
/// stay in `contents` even when a later line is bad.
bool parse_maildirsize(const char* text, size_t length, MaildirsizeContents* contents);

#endif
