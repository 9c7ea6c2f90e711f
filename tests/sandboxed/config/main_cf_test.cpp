// main.cf parameters and protection settings against the real postconf, on
// the sandbox's /etc/postfix/main.cf, which each test writes afresh.
#include "mail/postfix/config/main_cf_manager.h"
#include "mail/postfix/config/settings_manager.h"
#include "mail/postfix/tables/postfix_errors.h"

#include <sys/stat.h>

#include <ctime>

#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <boost/filesystem.hpp>
#include <boost/lexical_cast.hpp>
#include <gtest/gtest.h>

#include "tests/support/saved_file.h"

namespace {

using quarn::mail::postfix::MainCfManager;
using quarn::mail::postfix::PostfixConfigurationError;
using quarn::mail::postfix::SettingsManager;
using boost::logic::indeterminate;

const char* const MAIN_CF = "/etc/postfix/main.cf";
const char* const UNSET = "<unset>";

class MainCf : public ::testing::Test {
protected:
    /// main.cf made of `lines` alone, dated back so that postconf reads it at
    /// once instead of waiting for a file that may still be being written.
    void writeMainCf(const std::string& lines) {
        std::ofstream(MAIN_CF, std::ios::trunc) << "compatibility_level = 3.6\n" << lines;
        boost::filesystem::last_write_time(MAIN_CF, time(nullptr) - 10);
    }

    /// The value main.cf sets for `name`, or UNSET.
    static std::string explicitValue(const std::string& name) {
        std::ifstream in(MAIN_CF);
        std::string line, value = UNSET;
        const std::string head = name + " =";
        while (std::getline(in, line))
            if (line.compare(0, head.size(), head) == 0)
                value = line.size() > head.size() ? line.substr(head.size() + 1) : "";
        return value;
    }

    /// True while main.cf keeps the date writeMainCf gave it.
    static bool untouched() {
        struct stat st;
        return stat(MAIN_CF, &st) == 0 && st.st_mtime < time(nullptr) - 5;
    }

    MainCfManager& cf() { return MainCfManager::getInstance(); }

    testsupport::SavedFile saved_{MAIN_CF};
};

TEST_F(MainCf, ListOperations) {
    struct Case {
        const char* name;
        const char* setup;  // main.cf lines
        bool append;        // else remove
        const char* param;
        const char* element;
        const char* want;  // main.cf's value afterwards; UNSET: main.cf not written
    };
    const char* const CR = "smtpd_client_restrictions";
    const char* const NETS = "mynetworks";
    const Case cases[] = {
        {"append to empty: the element alone", "", true, CR, "x", "x"},
        {"append keeps the text", "smtpd_client_restrictions = a,b\n", true, CR, "c", "a,b, c"},
        {"append of a present element", "smtpd_client_restrictions = a, b\n", true, CR, "b", UNSET},
        {"present in computed value", "", true, NETS, "127.0.0.1/32", "127.0.0.1/32 [::1]/128"},
        {"compare exactly", "mynetworks = 10.0.0.0/8\n", true, NETS, "10.0.0.0/08",
         "10.0.0.0/8, 10.0.0.0/08"},
        {"remove every occurrence", "mynetworks = a,, b a\tc , b\n", false, NETS, "a", "b, c, b"},
        {"remove of an absent element", "", false, NETS, "10.0.0.0/8", UNSET},
    };
    for (const Case& c : cases) {
        writeMainCf(c.setup);
        if (c.append)
            cf().appendStringValue(c.param, c.element);
        else
            cf().removeListElement(c.param, c.element);
        if (c.want == std::string(UNSET))
            EXPECT_TRUE(untouched()) << c.name;
        else
            EXPECT_EQ(c.want, explicitValue(c.param)) << c.name;
    }
}

// Values as the size getters read them are proved end to end.
TEST_F(MainCf, ReadsValuesAndDefaults) {
    writeMainCf("message_size_limit = 1234\nsmtpd_banner = banner text\n");
    EXPECT_EQ("10240000", cf().getStringValue("message_size_limit", true));
    EXPECT_EQ("", cf().getStringValue("no_such_parameter"));
    EXPECT_THROW(cf().getScalarValue<long long>("smtpd_banner"), boost::bad_lexical_cast);
    EXPECT_EQ("/etc/postfix/main.cf", cf().path());
}

TEST_F(MainCf, RefusesWhatWouldBreakMainCf) {
    writeMainCf("");
    struct Refused {
        const char* name;
        const char* value;
    } refused[] = {
        {"mynetworks", "10.0.0.0/8\nsmtpd_banner = x"}, {"mynetworks", "10.0.0.0/8\r"},
        {"my networks", "10.0.0.0/8"}, {"mynetworks=x", "10.0.0.0/8"}, {"", "x"},
    };
    for (const Refused& r : refused) {
        EXPECT_THROW(cf().replaceStringValue(r.name, r.value), PostfixConfigurationError)
            << r.name;
        EXPECT_EQ(UNSET, explicitValue("mynetworks")) << r.name;
    }
}

TEST_F(MainCf, ProtectionSettings) {
    const std::string policy = "check_policy_service inet:127.0.0.1:10023";
    const std::string poplock = "hash:/var/spool/postfix/quarn/poplock";
    const std::string restrictions =
        "smtpd_recipient_restrictions = permit_mynetworks, " + policy +
        ", reject_unauth_destination\nmynetworks = 127.0.0.0/8, " + poplock + "\n";
    struct Want {
        const char* name;
        std::function<void()> op;
        std::string restrictions, networks;  // smtpd_sasl_auth_enable stays unset
    } wants[] = {
        {"neither given", [] { SettingsManager::setAuthRelay(indeterminate, indeterminate); },
         "permit_mynetworks, " + policy + ", reject_unauth_destination", "127.0.0.0/8"},
        {"open relay", [] { SettingsManager::setOpenRelay(); },
         "permit, check_client_access pcre:/var/spool/postfix/quarn/no_relay.re, reject, " + policy,
         "127.0.0.0/8, " + poplock},
    };
    for (const Want& w : wants) {
        writeMainCf(restrictions);
        w.op();
        EXPECT_EQ(UNSET, explicitValue("smtpd_sasl_auth_enable")) << w.name;
        EXPECT_EQ(w.restrictions, explicitValue("smtpd_recipient_restrictions")) << w.name;
        EXPECT_EQ(w.networks, explicitValue("mynetworks")) << w.name;
    }
}

}  // namespace
