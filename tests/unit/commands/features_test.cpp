#include "mail/postfix/commands/features.h"

#include <sstream>

#include <gtest/gtest.h>

using quarn::mail::postfix::hasSenderDependentTransports;
using quarn::mail::postfix::print_feature;

namespace {

TEST(Features, BooleansBareOtherValuesQuoted) {
    std::ostringstream out;
    print_feature(out, "Relay", "true");
    print_feature(out, "AccountsFormat_Both", "false");
    print_feature(out, "SMTP_Server", "Postfix");
    print_feature(out, "X", "True");
    EXPECT_EQ("$features['Relay'] = true;\n"
              "$features['AccountsFormat_Both'] = false;\n"
              "$features['SMTP_Server'] = \"Postfix\";\n"
              "$features['X'] = \"True\";\n",
              out.str());
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
