#include "lib/process/exec_report.h"

#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "lib/errors/errors.h"
#include "tests/unit/process/process_test_support.h"

namespace {

using process_test::thrownBy;
using quarn::process::raiseReportedException;

std::string report(std::initializer_list<const char*> parts) {
    std::string text;
    for (const char* p : parts) {
        text += p;
        text += '\0';
    }
    return text;
}

TEST(ExecReport, NoTypeMeansTheProgramRuns) {
    EXPECT_NO_THROW(raiseReportedException(""));
    testing::internal::CaptureStderr();
    EXPECT_NO_THROW(raiseReportedException(report({"hello"})));
    EXPECT_EQ("child output: hello\n", testing::internal::GetCapturedStderr());
}

// The message and the code (as its system text) of the error raised.
TEST(ExecReport, SystemErrorKeepsMessageAndCode) {
    struct Case {
        std::string text;
        const char* want;
    } cases[] = {
        // Whole reports of real children: PipeTest.ChildStartFailuresReachTheParent.
        {report({"ET: SystemError", "EM: x", "EC: 1z"}), "x: Invalid argument"},
        {report({"ET: SystemError", "EC: 5"}), "an error in child process: Input/output error"},
        // A last part without its NUL still counts.
        {report({"ET: SystemError", "EM: fork"}) + "EC: 11", "fork: Resource temporarily unavailable"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.want, thrownBy<quarn::SystemError>([&] { raiseReportedException(c.text); }))
            << "case " << c.want;
    }
}

// The runtime_error and plain exception come back from a real child in
// ProcessLaunchTest.PreExecErrorsComeBackAsTheirKind.
TEST(ExecReport, OtherTypes) {
    EXPECT_THROW(raiseReportedException(report({"ET: SystemError", "EM: x", "EC: 2"})),
                 quarn::ExSystemError<ENOENT>);
    EXPECT_THROW(raiseReportedException(report({"ET: Strange", "EM: x"})), std::bad_exception);
}

}  // namespace
