// Checks shared by the process tests: no descriptor and no child may
// outlive a test.
#ifndef TESTS_UNIT_PROCESS_PROCESS_TEST_SUPPORT_H
#define TESTS_UNIT_PROCESS_PROCESS_TEST_SUPPORT_H

#include <sys/wait.h>

#include <iterator>
#include <string>

#include <boost/filesystem.hpp>
#include <gtest/gtest.h>

namespace process_test {

/// Open descriptors of this process (the listing's own one not counted).
inline long openDescriptorCount() {
    using boost::filesystem::directory_iterator;
    return std::distance(directory_iterator("/proc/self/fd"), directory_iterator()) - 1;
}

/// Whether this process has a child, running or a zombie (none reaped).
inline bool hasChildren() {
    siginfo_t info{};
    return waitid(P_ALL, 0, &info, WEXITED | WSTOPPED | WNOHANG | WNOWAIT) == 0;
}

/// The what() of the E that `f` throws, or "no exception".
template <class E, class F>
std::string thrownBy(F f) {
    try {
        f();
    } catch (const E& e) {
        return e.what();
    }
    return "no exception";
}

/// A fixture that fails a test leaving descriptors or children behind.
class NoLeaks : public ::testing::Test {
protected:
    void SetUp() override { descriptors_ = openDescriptorCount(); }
    void TearDown() override {
        EXPECT_EQ(descriptors_, openDescriptorCount()) << "open descriptors: got after, want before";
        EXPECT_FALSE(hasChildren()) << "got children left, want none";
    }

private:
    long descriptors_ = 0;
};

}  // namespace process_test

#endif
