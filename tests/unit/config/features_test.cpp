#include "mail/postfix/config/features.h"

#include <sstream>

#include <gtest/gtest.h>

using quarn::mail::postfix::hasSenderDependentTransports;
using quarn::mail::postfix::print_feature;

namespace {

// The whole report is checked end to end; only "true" and "false" go bare.
TEST(Features, OnlyLowerCaseBooleansGoBare) {
    std::ostringstream out;
    print_feature(out, "X", "True");
    EXPECT_EQ("$features['X'] = \"True\";\n", out.str());
}

// The pieces compare as strings, so a two-digit minor version reads as
// older than 2.7; that is how the panel has always been told.
TEST(Features, VersionComparedPieceByPieceAsStrings) {
    EXPECT_FALSE(hasSenderDependentTransports("2.7\n"));
    EXPECT_FALSE(hasSenderDependentTransports("2.7"));
    EXPECT_TRUE(hasSenderDependentTransports("2.7.1\n"));
    EXPECT_TRUE(hasSenderDependentTransports("2.8\n"));
    EXPECT_FALSE(hasSenderDependentTransports("2.10.1\n"));
    EXPECT_TRUE(hasSenderDependentTransports("3.7.11\n"));
    EXPECT_FALSE(hasSenderDependentTransports("2.6.5\n"));
    EXPECT_FALSE(hasSenderDependentTransports(""));
    EXPECT_TRUE(hasSenderDependentTransports("2.7.\n"));
}

}  // namespace
