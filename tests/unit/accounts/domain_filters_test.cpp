#include "mail/postfix/accounts/domain_filters.h"

#include <string>

#include <gtest/gtest.h>

using namespace quarn::mail::postfix;

namespace {

// The filters on whole records are proved by the domain manager's
// sandboxed tests and by renaming an alias end to end; these pin the edges.
TEST(DomainFilters, WhatLiesInADomain) {
    EXPECT_TRUE(liesInDomain("d.net", "d.net", false));
    EXPECT_TRUE(liesInDomain("user@d.net", "d.net", false));
    EXPECT_TRUE(liesInDomain("@d.net", "d.net", false));
    EXPECT_FALSE(liesInDomain("user@sub.d.net", "d.net", false));
    EXPECT_TRUE(liesInDomain("user@sub.d.net", "d.net", true));
    EXPECT_TRUE(liesInDomain("sub.d.net", "d.net", true));
    EXPECT_FALSE(liesInDomain("userd.net", "d.net", true));
    EXPECT_FALSE(liesInDomain("user@xd.net", "d.net", true));
    EXPECT_TRUE(liesInDomain("user@D.net", "d.net", true)) << "domain parts fold case";
    EXPECT_FALSE(liesInDomain("net", "d.net", true));
}

TEST(DomainFilters, ReplaceDomainPartMovesOnlyWholeDomains) {
    ReplaceDomainPart rename("old.net", "new.org", false);
    auto renamed = [&rename](std::string name) {
        EXPECT_TRUE(rename(name));
        return name;
    };
    EXPECT_EQ("new.org", renamed("old.net"));
    EXPECT_EQ("user@new.org", renamed("user@old.net"));
    EXPECT_EQ("@new.org", renamed("@old.net"));
    EXPECT_EQ("user@sub.old.net", renamed("user@sub.old.net"));
    EXPECT_EQ("user@gold.net", renamed("user@gold.net"));
    EXPECT_EQ("other", renamed("other"));

    ReplaceDomainPart withSubdomains("old.net", "new.org", true);
    std::string name = "user@sub.old.net";
    withSubdomains(name);
    EXPECT_EQ("user@sub.new.org", name);
}

}  // namespace
