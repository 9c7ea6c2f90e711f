#include "lib/names/idn.h"

#include <cstdlib>
#include <memory>
#include <string>

#include <gtest/gtest.h>

namespace {

std::string plain(char* p) {
    std::unique_ptr<char, decltype(&std::free)> owned(p, std::free);
    return owned ? owned.get() : "(null)";
}

// Bücher domains and addresses are converted by the storage, the quota and
// --add-redirect too (StoreMboxQuota, DotQMailManager, end to end).
TEST(Idn, ToAscii) {
    struct Case {
        const char* input;
        const char* want;
        bool email;
    } cases[] = {
        {"example.com", "example.com", false},
        {"\xd0\xbf\xd1\x80\xd0\xb8\xd0\xbc\xd0\xb5\xd1\x80.\xd1\x80\xd1\x84",
         "xn--e1afmkfd.xn--p1ai", false},
        {"info@b\xc3\xbc" "cher.de", "info@xn--bcher-kva.de", true},
        {"j\xc3\xbcrgen@example.com", "j\xc3\xbcrgen@example.com", true},  // local part untouched
        {"a@b@b\xc3\xbc" "cher.de", "a@xn--b@bcher-p2a.de", true},           // rest is one name
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.want, c.email ? quarn::idn::emailToAscii(c.input) : quarn::idn::toAscii(c.input))
            << c.input;
        EXPECT_EQ(c.want, plain(c.email ? idn_email_toascii(c.input) : idn_toascii(c.input)))
            << c.input;
    }
    // Without an @ the C++ form converts nothing, the C form gives no result.
    EXPECT_EQ("b\xc3\xbc" "cher", quarn::idn::emailToAscii("b\xc3\xbc" "cher"));
    EXPECT_EQ("(null)", plain(idn_email_toascii("example.com")));
}

TEST(Idn, FailureCarriesTheLibraryCode) {
    // A label longer than 63 characters cannot be a domain name.
    std::string tooLong(64, 'a');
    try {
        quarn::idn::toAscii(tooLong);
        FAIL() << "no IdnaError";
    } catch (const quarn::idn::IdnaError& e) {
        EXPECT_EQ(5, e.code());
        EXPECT_STREQ("Invalid length", e.what());
    }
    idn_errno = 0;
    EXPECT_EQ("(null)", plain(idn_toascii(tooLong.c_str())));
    EXPECT_EQ(5, idn_errno);
    // The texts are the library's own; only the ends of the table are ours.
    EXPECT_STREQ("Unknown error", idn_strerror(10));
    EXPECT_STREQ("Unknown error", idn_strerror(-1));
}

}  // namespace
