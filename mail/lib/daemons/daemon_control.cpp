#include "mail/lib/daemons/daemon_control.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include <boost/algorithm/string/predicate.hpp>

#include "lib/errors/log.h"
#include "lib/panel/vel_conf.h"
#include "lib/names/name_rules.h"
#include "mail/lib/daemons/rc_script.h"

namespace {

// Services that belong to the web server; the mail system never controls them.
bool isWebService(const std::string& service) {
    const char* httpd = velConfGetDefaultByIndex(HTTPD_SERVICE);
    return service == "tomcat" || (httpd && boost::iequals(service, httpd));
}

}  // namespace

int restart_daemon(const char* service, const char* action) {
    if (velConfGet("NO_RESTART_DAEMON"))
        return 0;
    errno = 0;
    if (!service || !*service) {
        messlog2(0, 0, "Unknown service\n");
        return -1;
    }
    if (isWebService(service)) {
        messlog2(0, 0, "Unable to %s service %s: web server services are not controlled here\n",
                 action, service);
        return -1;
    }
    return rcd_ctrl(service, action);
}

int rcd_ctrl(const char* service, const char* action) {
    static const char* const candidates[] = {"/etc/init.d/%s", "/etc/init.d/%s.sh",
                                             "/etc/init.d%s"};
    // A name with a slash or ".." could lead root to any script.
    if (quarn::isSafePathComponent(service)) {
        for (const char* format : candidates) {
            char path[4096];
            if (std::snprintf(path, sizeof path, format, service) >= static_cast<int>(sizeof path))
                continue;
            struct stat st;
            if (stat(path, &st) == 0)
                return rc_script(path, action);
        }
    }
    errno = 0;
    messlog2(0, 0, "Unable to find start/stop script for '%s'\n", service);
    return -1;
}
