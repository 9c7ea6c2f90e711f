// The names of the command line, at the one helper every handler calls:
// IDNA first, then lower case for domains, then the rules. Which names are
// refused is proved here; the hostile-name tests of tests/e2e prove with one
// bad name per command and option that every handler calls the check.
#include "mail/postfix/options/name_check.h"

#include <functional>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>


namespace {

using namespace quarn::mail::postfix;

const std::string REFUSED = "(refused)";

/// What `check` makes of `name`: the name to use, or REFUSED when it threw
/// std::invalid_argument carrying the name as given.
std::string outcome(const std::function<std::string(const std::string&)>& check,
                    const std::string& name) {
    try {
        return check(name);
    } catch (const std::invalid_argument& e) {
        return e.what() == name ? REFUSED
                                : "(invalid_argument naming " + std::string(e.what()) + ")";
    }
}

struct Case {
    const char* what;
    std::string name;
    std::string want;
};

std::string label(int n) { return std::string(n, 'a'); }

TEST(NameCheck, DomainNames) {
    const std::string l63 = label(63);
    const Case cases[] = {
        {"empty", "", REFUSED},
        {"blank", "a b.com", REFUSED},
        {"dot", ".", REFUSED},
        {"dot dot", "..", REFUSED},
        {"slash", "a/b", REFUSED},
        {"line feed", "a.com\nevil.com", REFUSED},
        {"control byte", "a\x01.com", REFUSED},
        {"empty label", "a..com", REFUSED},
        {"leading dot", ".a.com", REFUSED},
        {"trailing dot", "a.com.", REFUSED},
        {"63-byte label", l63 + ".com", l63 + ".com"},
        {"64-byte label", label(64) + ".com", REFUSED},
        {"253 bytes", l63 + "." + l63 + "." + l63 + "." + label(61),
         l63 + "." + l63 + "." + l63 + "." + label(61)},
        {"254 bytes", l63 + "." + l63 + "." + l63 + "." + label(62), REFUSED},
        {"digits, hyphen, underscore", "a-1_b.c0m", "a-1_b.c0m"},
        {"capitals folded", "Mixed.COM", "mixed.com"},
        {"non-ASCII converted first", "\xd0\x9f\xd1\x80\xd0\xb8\xd0\xbc\xd0\xb5\xd1\x80.com",
         "xn--e1afmkfd.com"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.want, outcome(checkedDomainName, c.name)) << c.what;
}

TEST(NameCheck, Mailnames) {
    const Case cases[] = {
        {"empty", "", REFUSED},
        {"blank", "a b", REFUSED},
        {"dot", ".", REFUSED},
        {"dot dot", "..", REFUSED},
        {"two dots inside", "a..b", REFUSED},
        {"slash", "a/b", REFUSED},
        {"line feed", "a\nb", REFUSED},
        {"control byte", "a\x7f", REFUSED},
        {"at sign", "a@b", REFUSED},
        {"comma", "a,b", REFUSED},
        {"colon", "a:b", REFUSED},
        {"64 bytes", label(64), label(64)},
        {"65 bytes", label(65), REFUSED},
        {"case kept", "John.Doe", "John.Doe"},
        {"non-ASCII kept", "\xd0\xb8\xd0\xbc\xd1\x8f", "\xd0\xb8\xd0\xbc\xd1\x8f"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.want, outcome(checkedMailname, c.name)) << c.what;
}

TEST(NameCheck, Addresses) {
    const Case cases[] = {
        {"plain", "a.b@example.com", "a.b@example.com"},
        {"domain part folded, local part kept", "Joe@Mixed.COM", "Joe@mixed.com"},
        {"non-ASCII domain converted", "x@\xd0\x9f\xd1\x80\xd0\xb8\xd0\xbc\xd0\xb5\xd1\x80.com",
         "x@xn--e1afmkfd.com"},
        {"empty", "", REFUSED},
        {"no at sign", "joe", REFUSED},
        {"two at signs", "a@b@c.com", REFUSED},
        {"empty local part", "@c.com", REFUSED},
        {"empty domain", "a@", REFUSED},
        {"blank in local part", "a b@c.com", REFUSED},
        {"comma in local part", "a,b@c.com", REFUSED},
        {"line feed with a command", "a@c.com\n| touch /x", REFUSED},
        {"control byte", "a\x02@c.com", REFUSED},
        {"bad domain", "a@c..com", REFUSED},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.want, outcome(checkedAddress, c.name)) << c.what;
}

}  // namespace
