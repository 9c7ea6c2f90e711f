#include "mail/lib/daemons/rc_script.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "lib/errors/log.h"
#include "lib/panel/vel_conf.h"
#include "lib/process/sigpipe_ignore.h"
#include "lib/util/eintr.h"

namespace {

// The script must be a regular file; anything else ends the program.
void checkScript(const char* path) {
    struct stat st;
    if (stat(path, &st) != 0) {
        int error = errno;
        if (error == ENOENT || error == ENOTDIR)
            messlog2(1, 0, "No such file '%s': %s", path, std::strerror(error));
        messlog2(1, 0, "Error during access to '%s': %s", path, std::strerror(error));
    }
    if (!S_ISREG(st.st_mode)) {
        errno = 0;
        messlog2(1, 0, "Not a regular file: '%s'", path);
    }
}

// The directory part of a script path: "." without a slash, "/" for a
// file in the root.
std::string directoryOf(const std::string& path) {
    std::string::size_type slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Closes every descriptor from `first` up.
void closeFrom(int first) {
    if (::close_range(first, ~0U, 0) == 0)
        return;
    long max = sysconf(_SC_OPEN_MAX);
    for (long fd = first; fd < (max > 0 ? max : 1024); ++fd)
        ::close(static_cast<int>(fd));
}

// The child: never returns. Only _exit, so that stdio buffers copied from
// the parent are not written a second time.
[[noreturn]] void runScript(const char* path, const char* action, const std::string& dir,
                            const std::string& log) {
    if (chdir(dir.c_str()) != 0) {
        int error = errno;
        messlog2(0, 0, "Unable to change directory to %s: %s\n", dir.c_str(),
                 std::strerror(error));
        _exit(1);
    }
    if (setsid() < 0) {
        messlog2(0, 0, "setsid() failed");
        _exit(3);
    }
    closeFrom(3);
    int null = quarn::retryOnEintr([] { return ::open("/dev/null", O_RDWR); });
    // NOFOLLOW: a link planted in the panel's tmp directory must not make
    // root append to another file.
    int out = quarn::retryOnEintr([&] {
        return ::open(log.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NOCTTY, 0644);
    });
    if (out < 0)
        out = null;
    dup2(null, 0);
    dup2(out, 1);
    dup2(out, 2);
    if (out > 2 && out != null)
        ::close(out);
    if (null > 2)
        ::close(null);
    char* argv[] = {const_cast<char*>(path), const_cast<char*>(action), nullptr};
    execv(path, argv);
    _exit(errno);
}

// The parent's view of the ended (or stopped) child.
int judge(int status, const char* path, const char* action) {
    errno = 0;  // The messages below are not about a system call.
    if (WIFEXITED(status)) {
        if (WEXITSTATUS(status) == 0)
            return 0;
        // A non-zero status answer only says that the daemon is not running.
        if (std::strcmp(action, "status") != 0)
            messlog2(0, 0, "Service %s failed to %s\n", path, action);
    } else if (WIFSIGNALED(status)) {
        messlog2(0, 0, "Unable to %s service %s: daemon killed by signal %i\n", action, path,
                 WTERMSIG(status));
    } else if (WIFSTOPPED(status)) {
        messlog2(0, 0, "Unable to %s service %s: daemon stopped by signal %i\n", action, path,
                 WSTOPSIG(status));
    }
    return -1;
}

}  // namespace

std::string rc_actions_log_path() {
    const char* root = velConfGetDefaultByIndex(PRODUCT_ROOT_D);
    return std::string(root ? root : "") + "/tmp/rc_actions.log";
}

int rc_script(const char* path, const char* action) {
    checkScript(path);
    std::string dir = directoryOf(path);
    std::string log = rc_actions_log_path();
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    pid_t pid = fork();
    if (pid < 0) {
        int error = errno;
        messlog2(0, 0, "fork: %s for %s: %s\n", action, path, std::strerror(error));
        return -1;
    }
    if (pid == 0) {
        quarn::process::SigpipeIgnore::restoreInChild();
        runScript(path, action, dir, log);
    }
    int status = 0;
    if (quarn::retryOnEintr([&] { return waitpid(pid, &status, WUNTRACED); }) < 0) {
        int error = errno;
        messlog2(0, 0, "Error occured during %s service %s: %s\n", action, path,
                 std::strerror(error));
        return -1;
    }
    return judge(status, path, action);
}
