// What the code under test prints on the standard streams, with its result.
#ifndef TESTS_SUPPORT_PRINTED_H
#define TESTS_SUPPORT_PRINTED_H

#include <cerrno>
#include <string>
#include <type_traits>

#include <gtest/gtest.h>

namespace testsupport {

struct Printed {
    int rc = 0;     ///< what `f` returned, 0 for a void `f`
    int error = 0;  ///< errno right after `f`
    std::string out, err;
};

/// Runs `f` with standard output and standard error caught.
template <class F>
Printed printedBy(F f) {
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    Printed p;
    if constexpr (std::is_void_v<std::invoke_result_t<F>>)
        f();
    else
        p.rc = f();
    p.error = errno;
    p.err = testing::internal::GetCapturedStderr();
    p.out = testing::internal::GetCapturedStdout();
    return p;
}

}  // namespace testsupport

#endif
