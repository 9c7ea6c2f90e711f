#include "mail/lib/files/courier_settings.h"

#include <cerrno>
#include <cstring>
#include <exception>
#include <fstream>
#include <vector>

#include "lib/errors/log.h"
#include "lib/panel/vel_conf.h"
#include "lib/util/mk_lock.h"
#include "mail/lib/daemons/daemon_control.h"
#include "mail/lib/files/scratch_file.h"

namespace {

const char* const SETTINGS_FILES[] = {"imapd", "imapd-ssl", "pop3d", "pop3d-ssl"};

// The index of the first change whose variable the line sets, or -1.
int changeOf(const std::string& line, const courier_param* changes) {
    for (int i = 0; changes[i].name; ++i) {
        std::size_t n = std::strlen(changes[i].name);
        if (line.size() > n && line[n] == '=' && line.compare(0, n, changes[i].name) == 0)
            return i;
    }
    return -1;
}

std::string assignment(const courier_param& change) {
    return std::string(change.name) + "=" + (change.value ? change.value : "") + "\n";
}

// Rewrites one settings file under its lock: -1 after a message, 1 when
// the file cannot be opened (skipped), 0 when done.
int rewriteFile(const std::string& path, const courier_param* changes) {
    quarn::MKLock lock(path);
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        int error = errno;
        messlog2(0, 0, "Unable to open %s: %s\n", path.c_str(), std::strerror(error));
        return 1;
    }
    if (path.size() > 4095) {
        messlog2(0, 0, "File path too long %s\n", path.c_str());
        return -1;
    }
    quarn::ScratchFile tmp;
    if (!tmp.create(path, 0600)) {
        int error = errno;
        messlog2(0, 0, "Unable to create temporary file for %s: %s\n", path.c_str(),
                 std::strerror(error));
        return -1;
    }
    std::string text;
    if (!courier_params_rewrite(in, text, changes) || !tmp.write(text) || !tmp.finish()) {
        int error = errno;
        messlog2(0, 0, "Unable to write temporary file content for %s: %s\n", path.c_str(),
                 std::strerror(error));
        return -1;
    }
    if (!tmp.place()) {
        int error = errno;
        messlog2(0, 0, "Unable to move changed file to its location %s: %s\n", path.c_str(),
                 std::strerror(error));
        return -1;
    }
    return 0;
}

}  // namespace

bool courier_params_rewrite(std::istream& in, std::string& out, const courier_param* changes) {
    std::vector<bool> met;
    for (int i = 0; changes[i].name; ++i)
        met.push_back(false);
    std::string line;
    while (std::getline(in, line)) {
        int i = changeOf(line, changes);
        if (i < 0)
            out += line + "\n";
        else if (!changes[i].remove && !met[i])
            out += assignment(changes[i]);
        // The variable occurred: no change of it is appended later.
        for (std::size_t j = 0; i >= 0 && j < met.size(); ++j)
            met[j] = met[j] || std::strcmp(changes[j].name, changes[i].name) == 0;
    }
    for (std::size_t i = 0; i < met.size(); ++i)
        if (!met[i] && !changes[i].remove)
            out += assignment(changes[i]);
    return in.eof() && !in.bad();
}

int set_courier_params_list(const courier_param* changes) {
    const char* root = velConfGetDefaultByIndex(COURIER_IMAP_ROOT_D);
    for (const char* name : SETTINGS_FILES) {
        std::string path = std::string(root ? root : "/") + "/etc/courier-imap/" + name;
        try {
            if (rewriteFile(path, changes) < 0)
                return -1;
        } catch (const std::exception& e) {
            messlog2(0, 0, "Unable to change %s: %s\n", path.c_str(), e.what());
            return -1;
        }
    }
    return restart_daemon("courier-imap", "restart");
}

int set_courier_params(int relayClient, int popAuth, int16_t popLockTime, int shortNames) {
    std::string lockTime = std::to_string(popLockTime);
    courier_param changes[5] = {
        {"RELAYCLIENT", relayClient == 0, ""},
        {"POPAUTH", popAuth == 0, "1"},
        {"SHORTNAMES", shortNames == 0, "1"},
        {nullptr, 0, nullptr},
        {nullptr, 0, nullptr},
    };
    if (popLockTime >= 0)
        changes[3] = {"POPLOCK_TIME", popLockTime == 0, lockTime.c_str()};
    return set_courier_params_list(changes);
}

int set_courier_shortnames_params(int shortNames) {
    courier_param changes[] = {{"SHORTNAMES", shortNames == 0, "1"}, {nullptr, 0, nullptr}};
    return set_courier_params_list(changes);
}
