#include "lib/mysql_mail_escape.h"

#include "lib/idn.h"
#include "lib/log.h"
#include "lib/mysql_query.h"

#include <cstdlib>
#include <memory>
#include <syslog.h>

char* mysql_escape_mail_entity(MYSQL* my, const char* name) {
    std::unique_ptr<char, decltype(&std::free)> ascii(idn_toascii(name), std::free);
    if (!ascii) {
        quarn_log(LOG_ERR, "idn_toascii(%s) failed: %s", name, idn_strerror(idn_errno));
        return nullptr;
    }
    return mysql_real_escape_entity(my, ascii.get());
}
