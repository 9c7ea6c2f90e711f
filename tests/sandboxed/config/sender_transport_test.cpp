// Sender transports in Postfix's own master.cf, checked by postfix check.
#include "mail/postfix/config/sender_transport_manager.h"

#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <boost/algorithm/string/join.hpp>
#include <gtest/gtest.h>

#include "tests/support/file_text.h"
#include "tests/support/saved_file.h"
#include "tests/sandboxed/tables/table_dump.h"

namespace {

using namespace quarn::mail::postfix;
using testsupport::capture;
using testsupport::readFile;
using testsupport::SavedFile;

/// The names of the transports in master.cf, sorted.
std::string transports() {
    std::istringstream lines(readFile("/etc/postfix/master.cf"));
    std::set<std::string> names;
    for (std::string line; std::getline(lines, line);)
        if (line.find(" smtp -o smtp_bind_address=") != std::string::npos)
            names.insert(line.substr(0, line.find(' ')));
    return boost::algorithm::join(names, " ");
}

TEST(SenderTransports, AddAndRemoveServices) {
    SavedFile master("/etc/postfix/master.cf");
    struct Step {
        const char* name;
        std::function<void()> run;
        std::string want;
    };
    using M = SenderTransportManager;
    const std::vector<Step> steps = {
        {"ipv4", [] { M::AddTransport("192.0.2.10", ""); }, "192.0.2.10-"},
        {"same again", [] { M::AddTransport("192.0.2.10", ""); }, "192.0.2.10-"},
        {"both", [] { M::AddTransport("192.0.2.10", "2001:DB8::5"); },
         "192.0.2.10- 192.0.2.10-2001-db8--5"},
        {"longer ipv4", [] { M::AddTransport("192.0.2.100", ""); },
         "192.0.2.10- 192.0.2.10-2001-db8--5 192.0.2.100-"},
        {"ipv6", [] { M::AddTransport("", "2001:db8::5"); },
         "-2001-db8--5 192.0.2.10- 192.0.2.10-2001-db8--5 192.0.2.100-"},
        {"remove ipv4", [] { M::removeTransport("192.0.2.10"); }, "-2001-db8--5 192.0.2.100-"},
        {"remove ipv6", [] { M::removeTransport("2001:db8:0::5"); }, "192.0.2.100-"},
        {"remove absent", [] { M::removeTransport("198.51.100.1"); }, "192.0.2.100-"},
    };
    for (const Step& s : steps) {
        s.run();
        EXPECT_EQ(transports(), s.want) << s.name;
        EXPECT_EQ(capture("/usr/sbin/postfix check 2>&1; echo status $?"), "status 0\n") << s.name;
    }
    std::string text = readFile("/etc/postfix/master.cf");
    EXPECT_EQ(text, master.text() +
                        "192.0.2.100- unix - n n - - smtp -o smtp_bind_address=192.0.2.100 "
                        "-o smtp_bind_address6= -o smtp_address_preference=ipv4\n");
    EXPECT_THROW(M::AddTransport("192.0.2.10 -o x=y", ""), std::invalid_argument);
    EXPECT_THROW(M::AddTransport("", ""), std::invalid_argument);
    EXPECT_THROW(M::removeTransport("-o"), std::invalid_argument);
}

}  // namespace
