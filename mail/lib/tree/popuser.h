// The system user that owns every mail directory and file.
#ifndef QUARN_MAIL_LIB_TREE_POPUSER_H
#define QUARN_MAIL_LIB_TREE_POPUSER_H

#include <sys/types.h>

#define POPUSER_NAME "popuser"

/// The uid and primary gid of popuser from getpwnam: 0, or -1 after the
/// message "user popuser not found" (errno as getpwnam left it).
int popuser_ids(uid_t* uid, gid_t* gid);

#endif
