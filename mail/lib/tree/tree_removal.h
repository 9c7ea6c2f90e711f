// Recursive removal inside popuser's tree, as rm -r does it: by directory
// descriptors, never following a link, each directory checked to be the
// one seen before it was entered.
#ifndef QUARN_MAIL_LIB_TREE_TREE_REMOVAL_H
#define QUARN_MAIL_LIB_TREE_TREE_REMOVAL_H

namespace quarn {
namespace mail {

/// Removes the entry `name` of the directory `dirfd` and, when it is a
/// directory, everything below it. A link is removed, never followed; a
/// directory swapped for something else between the look and the entry
/// stops the removal (ELOOP, ENOTDIR or ESTALE). A missing entry is no
/// error. 0, or -1 with errno.
int tree_remove_at(int dirfd, const char* name) noexcept;

}  // namespace mail
}  // namespace quarn

#endif
