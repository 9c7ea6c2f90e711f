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

TEST(Parameters, DefaultsLeaveEverythingToThePipeline) {
    ProcessParameters p("/bin/true");
    EXPECT_TRUE(p.file.empty());
    EXPECT_TRUE(p.workDir.empty());
    EXPECT_EQ(nullptr, p.environment);
    EXPECT_FALSE(p.closeOtherFds);
    EXPECT_FALSE(p.preExec);
    EXPECT_EQ(Unset, p.errChannel.fd);
    EXPECT_FALSE(p.onExit);
}

TEST(Channel, HandlerAloneMeansHandled) {
    Channel<OutputConsumer> none;
    EXPECT_EQ(Unset, none.fd);
    Channel<OutputConsumer> code(DevNull);
    EXPECT_EQ(DevNull, code.fd);
    Channel<OutputConsumer> lambda([](const std::vector<char>&) {});
    EXPECT_EQ(Handled, lambda.fd);
    EXPECT_TRUE(static_cast<bool>(lambda.handler));
    Channel<InputProducer> in(InputProducer([](std::vector<char>&) { return false; }));
    EXPECT_EQ(Handled, in.fd);
    Channel<InputProducer> both(DevNull, InputProducer());
    EXPECT_EQ(DevNull, both.fd);
}

}  // namespace
