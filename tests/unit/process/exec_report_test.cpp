#include "lib/process/exec_report.h"

#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "lib/errors/errors.h"

namespace {

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

TEST(ExecReport, SystemErrorKeepsMessageAndCode) {
    struct Case {
        std::string text;
        std::string wantMessage;
        int wantCode;
    } cases[] = {
        {report({"ET: SystemError", "EM: execvp", "EC: 2"}), "execvp", ENOENT},
        {report({"ET: SystemError", "EM: cwd chdir", "EC: 13"}), "cwd chdir", EACCES},
        {report({"ET: SystemError", "EM: x", "EC: 1z"}), "x", EINVAL},
        {report({"ET: SystemError", "EC: 5"}), "an error in child process", EIO},
        // A last part without its NUL still counts.
        {report({"ET: SystemError", "EM: fork"}) + "EC: 11", "fork", EAGAIN},
    };
    for (const Case& c : cases) {
        try {
            raiseReportedException(c.text);
            ADD_FAILURE() << "got no exception, want " << c.wantMessage;
        } catch (const quarn::SystemError& e) {
            EXPECT_EQ(c.wantMessage, e.message());
            EXPECT_EQ(c.wantCode, e.error()) << c.wantMessage;
        }
    }
}

TEST(ExecReport, OtherTypes) {
    EXPECT_THROW(raiseReportedException(report({"ET: SystemError", "EM: x", "EC: 2"})),
                 quarn::ExSystemError<ENOENT>);
    try {
        raiseReportedException(report({"ET: std::runtime_error", "EM: boom"}));
        ADD_FAILURE() << "got no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ("boom", e.what());
    }
    try {
        raiseReportedException(report({"ET: std::exception", "EM: boom"}));
        ADD_FAILURE() << "got no exception";
    } catch (const std::runtime_error&) {
        ADD_FAILURE() << "got runtime_error, want a plain std::exception";
    } catch (const std::exception&) {
    }
    EXPECT_THROW(raiseReportedException(report({"ET: Strange", "EM: x"})), std::bad_exception);
}

}  // namespace
