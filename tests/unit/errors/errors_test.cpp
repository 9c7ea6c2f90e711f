#include "lib/errors/errors.h"

#include <cerrno>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

namespace {

// "message: system text" is proved by TopLevelReport.EachKindOfException.
TEST(SystemError, EmptyMessageGivesTheSystemTextAlone) {
    quarn::SystemError e("", EACCES);
    EXPECT_EQ(std::string(std::strerror(EACCES)), e.what());
    const char* first = e.what();
    EXPECT_EQ(first, e.what()) << "the text is built once and cached";
}

TEST(ThrowSystemError, PicksTheClassOfTheErrno) {
    EXPECT_THROW(quarn::throwSystemError("m", ENOENT), quarn::ExSystemError<ENOENT>);
    EXPECT_THROW(quarn::throwSystemError("m", EINTR), quarn::ExSystemError<EINTR>);
    EXPECT_THROW(quarn::throwSystemError("m", ECHILD), quarn::ExSystemError<ECHILD>);
    EXPECT_THROW(quarn::throwSystemError("m", EAGAIN), quarn::ExSystemError<EAGAIN>);
    errno = EACCES;
    try {
        quarn::throwSystemError("m", 0);
        FAIL() << "no exception";
    } catch (const quarn::ExSystemError<EPERM>&) {
        FAIL() << "zero: got ExSystemError<EPERM>, want plain SystemError";
    } catch (const quarn::SystemError& e) {
        EXPECT_EQ(EACCES, e.error()) << "zero takes the current errno";
    }
}

}  // namespace
