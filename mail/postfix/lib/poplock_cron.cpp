#include "mail/postfix/lib/poplock_cron.h"

#include <syslog.h>

#include <algorithm>
#include <ctime>
#include <exception>
#include <new>
#include <random>

#include <boost/algorithm/string/predicate.hpp>

#include "lib/errors/log.h"
#include "lib/runner/exec_cmd.h"
#include "lib/util/mk_lock.h"

const char* const POPLOCK_CLEANER = "/usr/lib/quarn-9.0/postfix-poplockdb-clean";

namespace {

const char* const CRON_USER = "root";
// Serialises our own read-modify-write of root's table.
const char* const CRONTAB_LOCK_PATH = "/var/spool/cron/crontabs/root";

bool isActiveCleaner(const std::string& line) {
    std::string::size_type first = line.find_first_not_of(" \t");
    return line.find(POPLOCK_CLEANER) != std::string::npos &&
           (first == std::string::npos || line[first] != '#');
}

bool execFailed(const quarn::ExecCmd& cmd) {
    return cmd.getErrors().rfind("forkExecvPipes: execv() failed", 0) == 0;
}

// Root's current table; a user without one has an empty table. False after
// a message, so that a table that cannot be read is never overwritten.
bool readCrontab(std::string& table) {
    quarn::ExecCmd cmd("crontab");
    cmd << "-l" << "-u" << CRON_USER;
    cmd.setEnv("LC_ALL", "C");
    int rc = cmd.exec(std::nothrow);
    if (rc == 0 || (rc == 1 && boost::algorithm::istarts_with(cmd.getErrors(), "no crontab for "))) {
        table = rc == 0 ? cmd.getOutput() : std::string();
        return true;
    }
    quarn_log(LOG_ERR, "Unable to execute: %s\n", cmd.getString().c_str());
    if (!execFailed(cmd) && !cmd.getErrors().empty())
        quarn_log(LOG_ERR, "%s", cmd.getErrors().c_str());
    return false;
}

int writeCrontab(const std::string& table) {
    quarn::ExecCmd cmd("crontab");
    cmd << "-u" << CRON_USER << "-";
    cmd.setEnv("LC_ALL", "C");
    cmd.setInput(table);
    int rc = cmd.exec(std::nothrow);
    if (rc == 0)
        return 0;
    if (execFailed(cmd))
        quarn_log(LOG_ERR, "Unable to execute: %s\n", cmd.getString().c_str());
    else
        quarn_log(LOG_ERR, "Failed to set new crontab for user '%s'\n", CRON_USER);
    return -1;
}

}  // namespace

std::string poplock_cron_line(int period, int start) {
    std::string minutes;
    for (int m = start; m < 60; m += period)
        minutes += (minutes.empty() ? "" : ",") + std::to_string(m);
    return minutes + "\t*\t*\t*\t*\t" + POPLOCK_CLEANER;
}

std::string poplock_cron_rewrite(const std::string& table, const std::string& line) {
    std::string out;
    bool replaced = false;
    for (std::string::size_type at = 0; at < table.size();) {
        std::string::size_type end = table.find('\n', at);
        end = end == std::string::npos ? table.size() : end + 1;
        std::string current = table.substr(at, end - at);
        at = end;
        if (isActiveCleaner(current)) {
            if (!replaced && !line.empty())
                out += line + "\n";
            replaced = true;
            continue;
        }
        out += current;
        if (out.back() != '\n')
            out += '\n';  // crontab refuses a last line without its line feed
    }
    if (!replaced && !line.empty())
        out += line + "\n";
    return out;
}

int set_poplockdb_clean_period(int minutes) {
    std::string line;
    if (minutes >= 1) {
        int period = std::min(minutes, 60);
        std::minstd_rand random(static_cast<unsigned>(std::time(nullptr)));
        line = poplock_cron_line(period, static_cast<int>(random() % period));
    }
    try {
        quarn::MKLock lock(CRONTAB_LOCK_PATH);
        std::string table;
        if (!readCrontab(table))
            return -1;
        std::string updated = poplock_cron_rewrite(table, line);
        return updated == table ? 0 : writeCrontab(updated);
    } catch (const std::exception& e) {
        quarn_log(LOG_ERR, "Unable to change the crontab of %s: %s", CRON_USER, e.what());
        return -1;
    }
}
