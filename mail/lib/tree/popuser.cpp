#include "mail/lib/tree/popuser.h"

#include <pwd.h>
#include <syslog.h>

#include "lib/errors/log.h"

int popuser_ids(uid_t* uid, gid_t* gid) {
    const struct passwd* pw = getpwnam(POPUSER_NAME);
    if (pw == nullptr) {
        quarn_log(LOG_ERR, "user %s not found", POPUSER_NAME);
        return -1;
    }
    *uid = pw->pw_uid;
    *gid = pw->pw_gid;
    return 0;
}
