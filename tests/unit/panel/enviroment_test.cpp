#include "lib/panel/enviroment.h"

#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

namespace {

void setOrClear(const char* name, const char* value) {
    if (value)
        setenv(name, value, 1);
    else
        unsetenv(name);
}

std::string shown(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string("[") + value + "]" : "(unset)";
}

// A plain password alone is proved by the mailbox commands end to end and
// by the feature report's child, which must not see it.
TEST(GetEnvPassword, Cases) {
    struct Case {
        const char* name;
        const char* plain;
        const char* crypted;
        int result;
        std::string password;
        int encrypted;
        std::string plainAfter, cryptedAfter;
    } cases[] = {
        {"plain wins", "secret", "$1$x", 0, "secret", 0, "(unset)", "[$1$x]"},
        {"crypted", nullptr, "$1$x", 0, "$1$x", 1, "(unset)", "(unset)"},
        {"empty plain is skipped", "", "$1$x", 0, "$1$x", 1, "[]", "(unset)"},
        {"neither", nullptr, nullptr, -1, "", 0, "(unset)", "(unset)"},
        {"both empty", "", "", -1, "", 0, "[]", "[]"},
        {"blanks are a password", " ", nullptr, 0, " ", 0, "(unset)", "(unset)"},
    };
    for (const Case& c : cases) {
        setOrClear("VEL_PASSWORD", c.plain);
        setOrClear("VEL_CRYPTED_PASSWORD", c.crypted);
        std::string password = "stale";
        int encrypted = 7;
        EXPECT_EQ(c.result, get_env_password(&password, &encrypted)) << c.name;
        EXPECT_EQ(c.password, password) << c.name;
        EXPECT_EQ(c.encrypted, encrypted) << c.name;
        EXPECT_EQ(c.plainAfter, shown("VEL_PASSWORD")) << c.name;
        EXPECT_EQ(c.cryptedAfter, shown("VEL_CRYPTED_PASSWORD")) << c.name;
    }
    unsetenv("VEL_PASSWORD");
    unsetenv("VEL_CRYPTED_PASSWORD");
}

}  // namespace
