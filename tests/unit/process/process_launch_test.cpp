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

// The kind and text of what waitExec() throws.
std::string raisedBy(ProcessLaunch& child) {
    try {
        child.waitExec();
    } catch (const quarn::SystemError& e) {
        return "SystemError " + std::to_string(e.error()) + " " + e.message();
    } catch (const std::runtime_error& e) {
        return std::string("runtime_error ") + e.what();
    } catch (const std::exception&) {
        return "plain exception";
    }
    return "no exception";
}

TEST_F(ProcessLaunchTest, PreExecErrorsComeBackAsTheirKind) {
    struct Case {
        const char* name;
        std::function<void()> preExec;
        std::string want;
        int wantStatus;
    } cases[] = {
        {"system error", [] { throw quarn::SystemError("pre", EACCES); },
         "SystemError " + std::to_string(EACCES) + " pre", 67},
        {"runtime error", [] { throw std::runtime_error("boom"); }, "runtime_error boom", 66},
        {"other exception", [] { throw std::logic_error("logic"); }, "plain exception", 66},
        {"not an exception", [] { throw 7; }, "runtime_error unknown error", 65},
    };
    const char* argv[] = {"sh", "-c", "exit 0", nullptr};
    for (const Case& c : cases) {
        ProcessLaunch child(argv, "/bin/sh", nullptr, nullptr, false, false, false, c.preExec,
                            DevNull, DevNull, DevNull);
        EXPECT_EQ(c.want, raisedBy(child)) << c.name;
        int status = child.waitExit();  // reaped by waitExec already
        EXPECT_EQ(c.wantStatus, WEXITSTATUS(status)) << c.name;
    }
}

// Neither product caller asks for a session of its own, but the launcher
// offers one; a child that is not its session's leader shows it is missing.
TEST_F(ProcessLaunchTest, NewSessionMakesTheChildALeader) {
    const char* argv[] = {"sh", "-c", "test $(ps -o sid= -p $$) -eq $$", nullptr};
    ProcessLaunch child(argv, "/bin/sh", nullptr, nullptr, false, false, true, {},
                        DevNull, DevNull, DevNull);
    child.waitExec();
    EXPECT_EQ(0, child.waitExit());
}

}  // namespace
