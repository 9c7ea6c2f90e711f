// A child of the test process that runs a private copy of sleep under a name
// of its own, so that no other process on the host matches it.
#ifndef TESTS_UNIT_SERVICES_NAMED_CHILD_H
#define TESTS_UNIT_SERVICES_NAMED_CHILD_H

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "mail/postfix/services/proc_scan.h"
#include "tests/support/temp_dir.h"

namespace testsupport {

class NamedChild {
public:
    NamedChild(const TempDir& dir, const std::string& name) : exe_(dir.file(name)) {
        std::filesystem::copy_file("/bin/sleep", exe_);
        pid_ = fork();
        if (pid_ == 0) {
            execl(exe_.c_str(), name.c_str(), "30", static_cast<char*>(nullptr));
            _exit(127);
        }
        // Wait until the child runs the copy.
        std::string seen;
        pid_t parent;
        for (int i = 0; i < 200 && !(quarn::mail::postfix::readProcessStat(pid_, seen, parent) &&
                                     seen == name);
             ++i)
            usleep(10000);
    }
    ~NamedChild() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    NamedChild(const NamedChild&) = delete;
    NamedChild& operator=(const NamedChild&) = delete;

    const std::string& exe() const { return exe_; }
    /// The wait status once the child has ended.
    int wait() {
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return status;
    }

private:
    std::string exe_;
    pid_t pid_;
};

}  // namespace testsupport

#endif
