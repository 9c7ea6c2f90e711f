#include "mail/postfix/accounts/domain_filters.h"

#include <string>

#include <gtest/gtest.h>

#include "mail/postfix/tables/record_filters.h"

using namespace quarn::mail::postfix;

namespace {

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

// The filter as the tables use it: on the key and every value element.
std::string filtered(const std::string& line, const std::string& domain, bool subdomains,
                     bool* kept) {
    std::string text = line;
    database::ElementsFilter<NotInDomainFilter> filter(NotInDomainFilter(domain, subdomains));
    *kept = filter(text);
    return text;
}

TEST(DomainFilters, NotInDomainDropsKeysAndElements) {
    bool kept = false;
    filtered("user@d.net user@d.net", "d.net", false, &kept);
    EXPECT_FALSE(kept);
    filtered("d.net 1", "d.net", false, &kept);
    EXPECT_FALSE(kept);
    EXPECT_EQ("list@o.org a@o.org, b@sub.d.net",
              filtered("list@o.org a@o.org,d.net,  x@d.net b@sub.d.net", "d.net", false, &kept));
    EXPECT_TRUE(kept);
    EXPECT_EQ("list@o.org a@o.org",
              filtered("list@o.org a@o.org,d.net,  x@d.net b@sub.d.net", "d.net", true, &kept));
    filtered("list@o.org x@d.net, d.net", "d.net", false, &kept);
    EXPECT_FALSE(kept) << "no element left";
    EXPECT_EQ("user@sub.d.net user@o.org",
              filtered("user@sub.d.net user@o.org", "d.net", false, &kept));
    EXPECT_TRUE(kept);
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

TEST(DomainFilters, RenameThroughARecord) {
    std::string line = "a@old.net   a@old.net,b@x.org";
    database::ElementsFilter<ReplaceDomainPart> filter(ReplaceDomainPart("old.net", "n.net", false));
    EXPECT_TRUE(filter(line));
    EXPECT_EQ("a@n.net a@n.net, b@x.org", line);
}

}  // namespace
