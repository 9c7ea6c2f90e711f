#include "lib/panel/mysql_mail_escape.h"

#include "lib/names/idn.h"
#include "lib/errors/log.h"
#include "lib/util/malloc_string.h"
#include "lib/panel/mysql_query.h"

#include <cstdlib>
#include <memory>
#include <syslog.h>

char* mysql_escape_mail_entity(MYSQL* my, const char* name) {
    quarn::MallocString ascii(idn_toascii(name));
    if (!ascii) {
        quarn_log(LOG_ERR, "idn_toascii(%s) failed: %s", name, idn_strerror(idn_errno));
        return nullptr;
    }
    return mysql_real_escape_entity(my, ascii.get());
}
