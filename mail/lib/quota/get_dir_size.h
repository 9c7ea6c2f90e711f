// Recursive size of a file or a directory tree.
#ifndef QUARN_MAIL_LIB_QUOTA_GET_DIR_SIZE_H
#define QUARN_MAIL_LIB_QUOTA_GET_DIR_SIZE_H

#include "mail/lib/quota/quota_types.h"

/// Bytes (allocated blocks x 512 with `in_blocks`); -1 on failure.  Symbolic
/// links are not followed; the working directory is restored.
sizequota_t get_dir_size(const char* path, int in_blocks);

#endif
