// Test helpers that run code in several child processes at the same time.
#ifndef TESTS_SUPPORT_CHILD_PROCESSES_H
#define TESTS_SUPPORT_CHILD_PROCESSES_H

#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <vector>

namespace testsupport {

/// Runs body(0) ... body(n - 1) each in its own child, all released at
/// once; their exit statuses in order (-1 for a child that did not exit).
inline std::vector<int> runInChildren(int n, const std::function<int(int)>& body) {
    int gate[2];
    if (pipe(gate) != 0)
        return {};
    std::vector<pid_t> pids;
    for (int i = 0; i < n; ++i) {
        pid_t pid = fork();
        if (pid == 0) {
            close(gate[1]);
            char c;
            while (read(gate[0], &c, 1) > 0) {
            }
            _exit(body(i));
        }
        pids.push_back(pid);
    }
    close(gate[0]);
    close(gate[1]);  // end of file: every child starts now
    std::vector<int> statuses;
    for (pid_t pid : pids) {
        int status = 0;
        waitpid(pid, &status, 0);
        statuses.push_back(WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    }
    return statuses;
}

/// A child running `body`; the constructor returns once the child wrote a
/// byte to the descriptor it is given (or ended). wait() reaps it.
class ReadyChild {
public:
    explicit ReadyChild(const std::function<void(int readyFd)>& body) {
        int ready[2];
        if (pipe(ready) != 0)
            return;
        pid_ = fork();
        if (pid_ == 0) {
            close(ready[0]);
            body(ready[1]);
            _exit(0);
        }
        close(ready[1]);
        char c;
        read(ready[0], &c, 1);  // returns once the child wrote, or ended
        close(ready[0]);
    }
    ~ReadyChild() { wait(); }
    ReadyChild(const ReadyChild&) = delete;
    ReadyChild& operator=(const ReadyChild&) = delete;

    int wait() {
        int status = 0;
        if (pid_ > 0)
            waitpid(pid_, &status, 0);
        pid_ = -1;
        return status;
    }

private:
    pid_t pid_ = -1;
};

}  // namespace testsupport

#endif
