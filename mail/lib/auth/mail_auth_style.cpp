#include "mail/lib/auth/mail_auth_style.h"

#include "lib/errors/log.h"
#include "lib/panel/vel_conf.h"
#include "lib/runner/exec_cmd.h"
#include "mail/lib/auth/mail_auth_location.h"

#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <new>
#include <sstream>
#include <strings.h>

namespace {

const char FEATURE[] = "$features['SMTP_Server']";

// The style of one report line: -1 for none, -2 to look further.
int styleOfLine(const std::string& line) {
    if (line.compare(0, sizeof FEATURE - 1, FEATURE) != 0)
        return -2;
    std::size_t open = line.find_first_of("'\"", sizeof FEATURE - 1);
    std::size_t close = open == std::string::npos ? open : line.find(line[open], open + 1);
    if (close == std::string::npos) {
        quarn_log(6, "Unparseable line \"%s\", skipped", line.c_str());
        return -2;
    }
    std::string value = line.substr(open + 1, close - open - 1);
    if (strcasecmp(value.c_str(), "postfix") == 0)
        return MAIL_AUTH_DB_POSTFIX_STYLE;
    if (strcasecmp(value.c_str(), "qmail") == 0)
        return MAIL_AUTH_DB_QMAIL_STYLE;
    quarn_log(6, "Unknown server style \"%.*s\", skipped", static_cast<int>(value.size()),
              value.data());
    return -2;
}

}  // namespace

namespace quarn {

int mailAuthStyleOfFeatures(const std::string& report) {
    std::istringstream lines(report);
    std::string line;
    while (std::getline(lines, line)) {
        int style = styleOfLine(line);
        if (style != -2)
            return style;
    }
    return -1;
}

}  // namespace quarn

int mailAuthDBDetectStyle() {
    const char* root = velConfGetDefaultByIndex(PRODUCT_ROOT_D);
    std::string program = std::string(root ? root : "") + "/admin/sbin/mxwarden";
    if (program.size() >= PATH_MAX) {
        quarn_log(3, "path to mxwarden is too long, check PRODUCT_ROOT_D (%s)", root);
        return -1;
    }
    std::string report;
    try {
        if (::access(program.c_str(), X_OK) != 0)
            throw std::runtime_error(std::strerror(errno));
        quarn::ExecCmd cmd(program);
        cmd << "--features";
        cmd.exec(std::nothrow);
        report = cmd.getOutput();
    } catch (const std::exception& e) {
        quarn_log(3, "unable to execute %s: %s", program.c_str(), e.what());
        return -1;
    }
    int style = quarn::mailAuthStyleOfFeatures(report);
    if (style < 0)
        quarn_log(3, "Unable to determine mail server type from ``mxwarden --features''");
    return style;
}
