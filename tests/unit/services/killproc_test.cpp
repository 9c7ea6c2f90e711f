#include "mail/postfix/services/killproc.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <climits>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

namespace {

std::string selfExe() {
    char path[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    return n < 0 ? "" : std::string(path, n);
}

TEST(Killproc, PathMustMatchExactly) {
    std::string self = selfExe();
    ASSERT_FALSE(self.empty());
    EXPECT_GT(quarn::mail::postfix::findProcessByExe(self.c_str()), 0);
    for (const std::string& other : {self + "x", self.substr(0, self.size() - 1),
                                     std::string("/nonexistent/daemon")})
        EXPECT_EQ(0, quarn::mail::postfix::findProcessByExe(other.c_str())) << other;
    EXPECT_EQ(0, killproc("/nonexistent/daemon"));
}

TEST(Killproc, SignalsTheRunningProgram) {
    // A private copy of sleep, so that no other process on the host matches.
    char dir[] = "/tmp/killproc_test.XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(dir));
    std::string exe = std::string(dir) + "/sleeper";
    ASSERT_TRUE(std::filesystem::copy_file("/bin/sleep", exe));
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        execl(exe.c_str(), "sleeper", "30", static_cast<char*>(nullptr));
        _exit(127);
    }
    // Wait until the child runs the copy, then signal it by its path.
    for (int i = 0; i < 200 && quarn::mail::postfix::findProcessByExe(exe.c_str()) <= 0; ++i)
        usleep(10000);
    EXPECT_EQ(0, killproc(exe.c_str()));
    std::filesystem::remove_all(dir);
    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT);
}

}  // namespace
