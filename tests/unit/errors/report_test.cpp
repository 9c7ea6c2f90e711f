#include "lib/errors/report.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "lib/errors/errors.h"
#include "lib/errors/traceback.h"
#include "mail/postfix/entry/dispatch.h"
#include "tests/support/printed.h"

namespace {

// What the top level of the front end prints and returns around `body`.
template <class F>
testsupport::Printed runTop(F body) {
    return testsupport::printedBy([&] { return quarn::mail::postfix::runReportingExceptions(body); });
}

class TracedError : public std::runtime_error, public quarn::Traceback {
public:
    TracedError() : std::runtime_error("traced") {}
};

TEST(TopLevelReport, EachKindOfException) {
    struct Case {
        const char* name;
        std::function<int()> body;
        int status;
        std::string line;
    } cases[] = {
        {"result passes through", [] { return 7; }, 7, ""},
        // A NotSupportedError and a SystemError are reported end to end.
        {"errno class", []() -> int { quarn::throwSystemError("m", EPERM); }, 1,
         std::string("Fatal error: quarn::ExSystemError<1>(m: ") + std::strerror(EPERM) + ")\n"},
        {"standard", []() -> int { throw std::out_of_range("idx"); }, 1,
         "Fatal error: std::out_of_range(idx)\n"},
        {"untyped", []() -> int { throw 42; }, 2, "UNSPECIFIED ERROR OCCURED\n"},
    };
    for (const Case& c : cases) {
        testsupport::Printed o = runTop(c.body);
        EXPECT_EQ(c.status, o.rc) << c.name;
        EXPECT_EQ(c.line, o.err) << c.name;
        EXPECT_EQ(c.line, o.out) << c.name;
    }
}

TEST(TopLevelReport, TracebackFollowsTheLine) {
    testsupport::Printed o = runTop([]() -> int { throw TracedError(); });
    EXPECT_EQ(1, o.rc);
    EXPECT_EQ(0u, o.err.find("Fatal error: ")) << o.err;
    EXPECT_NE(std::string::npos, o.err.find("(traced)\nTraceback")) << o.err;
    EXPECT_NE(std::string::npos, o.out.find("\n\t")) << "frames are tab-indented";
}

}  // namespace
