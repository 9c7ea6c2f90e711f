#include "lib/process/process_flags.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace quarn::process;

TEST(Parameters, EmptyStringEndsTheArguments) {
    struct Case {
        const char* name;
        ProcessParameters p;
        std::vector<std::string> want;
    } cases[] = {
        {"program alone", ProcessParameters("/bin/true"), {"/bin/true"}},
        {"stops at empty", ProcessParameters("/bin/echo", "a", "b", "", "c"),
         {"/bin/echo", "a", "b"}},
        {"all nine", ProcessParameters("p", "1", "2", "3", "4", "5", "6", "7", "8", "9"),
         {"p", "1", "2", "3", "4", "5", "6", "7", "8", "9"}},
        {"empty first", ProcessParameters("p", "", "x"), {"p"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.want, c.p.args) << c.name;
}

}  // namespace
