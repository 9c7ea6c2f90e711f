// The lines the system writes into master.cf, and the names and values
// that may go there.
#include "mail/postfix/config/module_info.h"

#include <arpa/inet.h>

#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "mail/postfix/config/master_cf_content.h"
#include "mail/postfix/config/master_cf_parser.h"
#include "mail/postfix/config/module_definitions.h"
#include "mail/postfix/config/sender_transport_manager.h"

namespace {

using namespace quarn::mail::postfix;
using Transport = SenderTransportManager::SenderTransport;

// The smtps line is proved end to end by the service commands, an IPv4
// transport's line by the sandboxed sender-transport test.
TEST(ModuleLine, IsWhatThePanelExpects) {
    ModuleInfo wakeup;
    wakeup.name = "flush";
    wakeup.type = UNIX;
    wakeup.wakeup = 1000;
    wakeup.wakeupWhenUsed = true;
    wakeup.maxproc = 0;
    wakeup.unprivileged = true;
    wakeup.command = {"flush"};
    struct Case {
        const char* name;
        ModuleInfo info;
        std::string want;
    };
    const std::vector<Case> cases = {
        {"smtp", SmtpdModule(), "smtp inet n - n - - smtpd"},
        {"submission", SubmissionModule(),
         "submission inet n - n - - smtpd -o smtpd_enforce_tls=yes "
         "-o smtpd_tls_security_level=encrypt -o smtpd_sasl_auth_enable=yes "
         "-o smtpd_client_restrictions=permit_sasl_authenticated,reject "
         "-o smtpd_sender_restrictions="},
        {"transport ipv6", Transport("", "2001:db8::5"),
         "-2001-db8--5 unix - n n - - smtp -o smtp_bind_address= "
         "-o smtp_bind_address6=2001:db8::5 -o smtp_address_preference=ipv6"},
        {"transport both", Transport("192.0.2.10", "2001:db8::5"),
         "192.0.2.10-2001-db8--5 unix - n n - - smtp -o smtp_bind_address=192.0.2.10 "
         "-o smtp_bind_address6=2001:db8::5 -o smtp_address_preference=any"},
        {"wakeup when used", wakeup, "flush unix - y n 1000? 0 flush"},
    };
    for (const Case& c : cases) {
        std::string got = moduleLine(c.info);
        EXPECT_EQ(got, c.want) << c.name;
        // What the system writes, it reads back as the same entry.
        MasterCfContent content;
        ASSERT_TRUE(parseMasterCf(got.data(), got.data() + got.size(), content)) << c.name;
        ASSERT_TRUE(content.hasModule(c.info.name, c.info.type)) << c.name;
    }
}

// Plain, empty and upper-case addresses and refused ones with a "#" or a line
// feed are proved end to end by the sender-transport commands.
TEST(SenderTransportNames, AreCanonical) {
    struct Case {
        std::string address;
        int family;
        std::string want;
    };
    const std::vector<Case> cases = {
        {"::ffff:192.0.2.1", AF_INET6, "::ffff:192.0.2.1"},
        {"192.0.2.10 ", AF_INET, "(refused)"},
        {"2001:db8::5", AF_INET, "(refused)"},
        {"192.0.2.10", AF_INET6, "(refused)"},
    };
    for (const Case& c : cases) {
        std::string got;
        try {
            got = SenderTransportManager::canonicalAddress(c.address, c.family);
        } catch (const std::invalid_argument&) {
            got = "(refused)";
        }
        EXPECT_EQ(got, c.want) << "address \"" << c.address << "\"";
    }
}

TEST(MasterCfWord, RefusesWhatPostfixWouldMisread) {
    const std::vector<std::pair<std::string, bool>> cases = {
        {"/usr/local/bin/filter", true}, {"a=b,c", true}, {"", false},      {"a b", false},
        {"a\tb", false},                 {"a#b", false},  {"a\nb", false},  {"a\x7f", false},
        {"\xc3\xa9", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(isMasterCfWord(c.first), c.second) << "\"" << c.first << "\"";
    EXPECT_THROW(checkMasterCfWord("handler name", "a b"), std::invalid_argument);
}

}  // namespace
