#include "lib/runner/arg_list.h"

#include <gtest/gtest.h>

namespace {

TEST(ArgList, AlwaysEndsInNull) {
    quarn::ArgList args;
    EXPECT_EQ(0u, args.size());
    EXPECT_EQ(nullptr, args.argv()[0]);
    std::string a = "first";
    args.push_back(a);
    a[0] = 'X';
    args.push_back("");
    ASSERT_EQ(2u, args.size());
    EXPECT_STREQ("first", args.argv()[0]) << "the argument must be a copy";
    EXPECT_STREQ("", args.argv()[1]);
    EXPECT_EQ(nullptr, args.argv()[2]);
    args.clear();
    EXPECT_EQ(0u, args.size());
    EXPECT_EQ(nullptr, args.argv()[0]);
}

}  // namespace
