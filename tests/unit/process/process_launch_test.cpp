#include "lib/process/process_launch.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "lib/errors/errors.h"
#include "lib/process/process_flags.h"
#include "tests/unit/process/process_test_support.h"

namespace {

using namespace quarn::process;

class ProcessLaunchTest : public process_test::NoLeaks {};

const std::function<void()> noPreExec;

std::unique_ptr<ProcessLaunch> launchShell(const char* script, int in, int out, int err,
                                           const std::function<void()>& preExec = noPreExec) {
    const char* argv[] = {"sh", "-c", script, nullptr};
    return std::make_unique<ProcessLaunch>(argv, "/bin/sh", nullptr, nullptr, false, false, false,
                                           preExec, in, out, err);
}

// Everything the parent can read from `fd` until end of file.
std::string readAll(int fd) {
    std::string text;
    char buffer[256];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) > 0)
        text.append(buffer, n);
    return text;
}

TEST_F(ProcessLaunchTest, BadCodesAreRejected) {
    struct Case {
        int in, out, err;
        const char* want;
    } cases[] = {
        {Unset, Inherit, Inherit, "invalid FD for stdin"},
        {SameAsStdout, Inherit, Inherit, "invalid FD for stdin"},
        {Inherit, Unset, Inherit, "invalid FD for stdout"},
        {Inherit, SameAsStdout, Inherit, "invalid FD for stdout"},
        {Inherit, Inherit, Unset, "invalid FD for stderr"},
        {Inherit, Inherit, -6, "invalid FD for stderr"},
    };
    for (const Case& c : cases) {
        try {
            launchShell("exit 0", c.in, c.out, c.err);
            ADD_FAILURE() << "got no exception, want " << c.want;
        } catch (const std::invalid_argument& e) {
            EXPECT_STREQ(c.want, e.what());
        }
    }
}

TEST_F(ProcessLaunchTest, GivenDescriptorIsMovedIntoPlace) {
    int ends[2];
    ASSERT_EQ(0, pipe(ends));
    auto child = launchShell("echo given", DevNull, ends[1], Inherit);
    child->waitExec();
    close(ends[1]);  // the caller's descriptor stays the caller's
    EXPECT_EQ("given\n", readAll(ends[0]));
    close(ends[0]);
    child->waitExit();
}

TEST_F(ProcessLaunchTest, PreExecErrorsComeBackAsTheirKind) {
    struct Case {
        const char* name;
        std::function<void()> preExec;
        int wantStatus;
    } cases[] = {
        {"system error", [] { throw quarn::SystemError("pre", EACCES); }, 67},
        {"runtime error", [] { throw std::runtime_error("boom"); }, 66},
        {"other exception", [] { throw std::logic_error("logic"); }, 66},
        {"not an exception", [] { throw 7; }, 65},
    };
    for (const Case& c : cases) {
        auto child = launchShell("exit 0", DevNull, DevNull, DevNull, c.preExec);
        try {
            child->waitExec();
            ADD_FAILURE() << c.name << ": got no exception";
        } catch (const quarn::SystemError& e) {
            EXPECT_EQ(67, c.wantStatus) << c.name << ": got SystemError";
            EXPECT_EQ(EACCES, e.error());
            EXPECT_EQ("pre", e.message());
        } catch (const std::runtime_error& e) {
            EXPECT_NE(67, c.wantStatus) << c.name << ": got runtime_error";
            EXPECT_STREQ(c.wantStatus == 65 ? "unknown error" : "boom", e.what()) << c.name;
        } catch (const std::exception& e) {
            EXPECT_EQ(66, c.wantStatus) << c.name << ": got plain exception";
        }
        int status = child->waitExit();  // reaped by waitExec already
        EXPECT_EQ(c.wantStatus, WEXITSTATUS(status)) << c.name;
    }
}

TEST_F(ProcessLaunchTest, NewSessionMakesTheChildALeader) {
    const char* argv[] = {"sh", "-c", "test $(ps -o sid= -p $$) -eq $$", nullptr};
    ProcessLaunch child(argv, "/bin/sh", nullptr, nullptr, false, false, true, noPreExec,
                        DevNull, DevNull, DevNull);
    child.waitExec();
    EXPECT_EQ(0, child.waitExit());
}

}  // namespace
