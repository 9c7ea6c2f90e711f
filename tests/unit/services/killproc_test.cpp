#include "mail/postfix/services/killproc.h"

#include <signal.h>
#include <sys/wait.h>

#include <string>

#include <gtest/gtest.h>

#include "tests/unit/services/named_child.h"

namespace {

using quarn::mail::postfix::findProcessByExe;

TEST(Killproc, PathMustMatchExactly) {
    testsupport::TempDir dir;
    testsupport::NamedChild sleeper(dir, "sleeper");
    const std::string exe = sleeper.exe();
    EXPECT_GT(findProcessByExe(exe.c_str()), 0);
    for (const std::string& other :
         {exe + "x", exe.substr(0, exe.size() - 1), std::string("/nonexistent/daemon")})
        EXPECT_EQ(0, findProcessByExe(other.c_str())) << other;
    EXPECT_EQ(0, killproc("/nonexistent/daemon"));
}

TEST(Killproc, SignalsTheRunningProgram) {
    testsupport::TempDir dir;
    testsupport::NamedChild sleeper(dir, "sleeper");
    EXPECT_EQ(0, killproc(sleeper.exe().c_str()));
    int status = sleeper.wait();
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT);
}

}  // namespace
