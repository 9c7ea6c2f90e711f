// Regular files that root opens in directories another user owns: that user
// can put a link, a FIFO or another file at the path at any moment, so the
// file is accepted only through a descriptor checked after the open.
#ifndef QUARN_LIB_UTIL_PLAIN_FILE_H
#define QUARN_LIB_UTIL_PLAIN_FILE_H

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>

/// 0 when `st` is a regular file with one link, else the errno to report it
/// with: ELOOP for a symbolic link, EISDIR for a directory, EMLINK for a file
/// with more links (a hard link to a file elsewhere), EINVAL for other kinds.
int plain_file_error(const struct stat& st);

/// open(2) of `path` (EINTR repeated) that follows no symbolic link at the
/// end, never waits on a FIFO and keeps the descriptor only when fstat shows
/// a plain file that is, when `expected` is given, that same file (device
/// and inode; EAGAIN otherwise). Returns the descriptor or -1 with errno.
int open_plain_file(const char* path, int flags, mode_t mode, const struct stat* expected);

/// open_plain_file of `name` relative to the directory `dirfd` (openat).
int open_plain_file_at(int dirfd, const char* name, int flags, mode_t mode,
                       const struct stat* expected);

/// write(2) of all `size` bytes, repeated on EINTR and short writes;
/// false with errno on failure.
bool write_all(int fd, const void* data, std::size_t size);

#endif
