// An open directory stream, closed by its owner on every way out.
#ifndef QUARN_MAIL_LIB_TREE_DIR_HANDLE_H
#define QUARN_MAIL_LIB_TREE_DIR_HANDLE_H

#include <dirent.h>

#include <memory>

namespace quarn {
namespace mail {

/// closedir for unique_ptr; keeps errno so that a failure read before the
/// close is still the one reported.
struct DirCloser {
    void operator()(DIR* dir) const;
};

/// A directory stream of opendir, closed when its owner goes.
using DirHandle = std::unique_ptr<DIR, DirCloser>;

/// The directory `name` below the directory `dirfd` as a stream, opened
/// without following a link (tree_open_dir_at); null with errno.
DirHandle openDirAt(int dirfd, const char* name);

/// "." or "..": the two entries every directory lists.
bool isDotOrDotDot(const char* name);

}  // namespace mail
}  // namespace quarn

#endif
