#include "lib/process/start_state.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "lib/errors/errors.h"

namespace quarn {
namespace process {

namespace {

// 0 when everything written to the stream has gone out; else the errno of
// the failure, or -1 when an earlier flush met it and it is gone.
int flushStream(std::ostream& stream, FILE* file) {
    stream.flush();
    errno = 0;
    bool failed = std::fflush(file) != 0;
    int error = errno;
    failed = failed || stream.fail() || std::ferror(file);
    return failed ? (error ? error : -1) : 0;
}

void tell(const char* stream, int error) noexcept {
    std::string text = std::string("mxwarden: write error on ") + stream;
    if (error > 0)
        text += std::string(": ") + std::strerror(error);
    text += "\n";
    // Not through stdio: its buffer is the thing that may be broken.
    ssize_t n = ::write(2, text.data(), text.size());
    (void)n;
}

}  // namespace

void resetSignals() {
    struct sigaction byDefault = {};
    byDefault.sa_handler = SIG_DFL;
    sigemptyset(&byDefault.sa_mask);
    sigset_t set;
    sigemptyset(&set);
    for (int signal : {SIGCHLD, SIGPIPE}) {
        if (::sigaction(signal, &byDefault, nullptr) < 0)
            throw SystemError("sigaction", errno);
        sigaddset(&set, signal);
    }
    if (::sigprocmask(SIG_UNBLOCK, &set, nullptr) < 0)
        throw SystemError("sigprocmask", errno);
}

namespace {

bool finished = false;

void finishAtExit() {
    if (!finished && finishOutput(0) != 0)
        ::_exit(1);
}

}  // namespace

int finishOutput(int status) noexcept {
    if (finished)
        return status;
    finished = true;
    bool failed = false;
    try {
        if (int error = flushStream(std::cout, stdout)) {
            tell("standard output", error);
            failed = true;
        }
        if (int error = flushStream(std::cerr, stderr)) {
            tell("standard error", error);
            failed = true;
        }
    } catch (...) {
        failed = true;  // a stream with exceptions enabled
    }
    return failed && status == 0 ? 1 : status;
}

void finishOutputAtExit() noexcept { std::atexit(finishAtExit); }

}  // namespace process
}  // namespace quarn
