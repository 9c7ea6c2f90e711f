// Scratch lookup tables and a stand-in postmap for the table tests, which
// run inside the sandbox against the real postmap.
#ifndef TESTS_SANDBOXED_TABLES_TABLE_SUPPORT_H
#define TESTS_SANDBOXED_TABLES_TABLE_SUPPORT_H

#include <dirent.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/sandboxed/tables/table_dump.h"

namespace tabletest {

using testsupport::Records;

const std::string TABLES = "/var/spool/postfix/quarn/";

inline bool exists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

/// The exit status of `pid` once it has ended; 100 + N after signal N.
inline int waitFor(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

/// Runs `op` in a child process; its result is the child's exit status.
inline pid_t forkRunning(const std::function<int()>& op) {
    pid_t pid = fork();
    if (pid == 0)
        _exit(op());
    return pid;
}

/// Element filter that keeps everything: a rewrite that changes no record.
struct KeepAll {
    bool operator()(std::string&) const { return true; }
};

/// Moves every value element between a.test and b.test: each rewrite turns
/// the whole table from one record set into the other.
struct Toggle {
    bool operator()(std::string& element) const {
        std::string::size_type at = element.find('@');
        if (at == std::string::npos)
            return true;
        std::string domain = element.substr(at + 1);
        if (domain == "a.test" || domain == "b.test")
            element.replace(at + 1, std::string::npos, domain == "a.test" ? "b.test" : "a.test");
        return true;
    }
};

/// Names in the table's directory that a rewrite of `path` uses as scratch.
inline std::vector<std::string> scratchFiles(const std::string& path) {
    std::string dir = path.substr(0, path.rfind('/'));
    std::string prefix = "." + path.substr(path.rfind('/') + 1) + ".rewrite-";
    std::vector<std::string> found;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d)) {
            if (std::strncmp(e->d_name, prefix.c_str(), prefix.size()) == 0)
                found.push_back(e->d_name);
        }
        closedir(d);
    }
    return found;
}

/// A hash table of its own, removed with its files at the end.
class ScratchTable {
public:
    explicit ScratchTable(const std::string& name, const std::string& dir = TABLES)
        : path_(dir + "t_" + name + "_" + std::to_string(getpid())), map_("hash:" + path_) {
        fill(Records());
    }
    ~ScratchTable() {
        unlink(path_.c_str());
        unlink((path_ + ".db").c_str());
    }
    ScratchTable(const ScratchTable&) = delete;
    ScratchTable& operator=(const ScratchTable&) = delete;

    const std::string& map() const { return map_; }
    const std::string& path() const { return path_; }

    /// Builds the table from `records` with postmap itself.
    void fill(const Records& records) const { testsupport::fillTable(map_, records); }
    /// Every record, read back from postmap's dump.
    Records dump() const { return testsupport::dumpTable(map_); }

private:
    std::string path_;
    std::string map_;
};

/// Runs `op` in a child whose /usr/sbin/postmap is the shell `script`, in a
/// mount namespace of its own; the real program is at $REAL_POSTMAP.
/// Returns the child's exit status, 0 meaning that `op` found what it wanted.
inline int withFakePostmap(const std::string& script, const std::function<int()>& op) {
    return waitFor(forkRunning([&] {
        const std::string dir = "/tmp/fake_postmap_" + std::to_string(getpid());
        if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr))
            return 90;
        mkdir(dir.c_str(), 0755);
        if (std::system(("cp /usr/sbin/postmap " + dir + "/real").c_str()) != 0)
            return 91;
        std::ofstream(dir + "/fake") << "#!/bin/sh\nREAL_POSTMAP=" << dir << "/real\n"
                                     << script << "\n";
        chmod((dir + "/fake").c_str(), 0755);
        if (mount((dir + "/fake").c_str(), "/usr/sbin/postmap", nullptr, MS_BIND, nullptr) != 0)
            return 92;
        int rc = op();
        umount("/usr/sbin/postmap");
        std::system(("rm -rf " + dir).c_str());
        return rc;
    }));
}

/// The message of the E that `op` throws, or "(no error)".
template <class E>
std::string errorOf(const std::function<void()>& op) {
    try {
        op();
    } catch (const E& e) {
        return e.what();
    }
    return "(no error)";
}

/// 0 when `op` throws E with the message `want` (any message when `want` is
/// null), 1 otherwise, with the reason on standard error. Another exception
/// ends the calling child.
template <class E>
int throwsWith(const std::function<void()>& op, const char* want) {
    const std::string got = errorOf<E>(op);
    if (got != "(no error)" && (!want || got == want))
        return 0;
    std::fprintf(stderr, "got '%s', want '%s'\n", got.c_str(), want ? want : "any");
    return 1;
}

}  // namespace tabletest

#endif
