// The master.cf grammar on crafted texts: what parses, what each entry
// holds, and that the text comes back unchanged.
#include "mail/postfix/config/master_cf_parser.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "mail/postfix/config/master_cf_file.h"
#include "mail/postfix/tables/postfix_errors.h"
#include "tests/support/temp_dir.h"

namespace {

using quarn::mail::postfix::MasterCfContent;
using quarn::mail::postfix::ModuleInfo;
using quarn::mail::postfix::parseMasterCf;

/// "name/type" of every entry in key order, joined by spaces.
std::string keys(const MasterCfContent& content) {
    std::string result;
    for (const ModuleInfo& info : content.modules())
        result += (result.empty() ? "" : " ") + info.name + "/" + std::to_string(info.type);
    return result;
}

bool parse(const std::string& text, MasterCfContent& content) {
    return parseMasterCf(text.data(), text.data() + text.size(), content);
}

TEST(MasterCfGrammar, AcceptsOrRefuses) {
    struct Case {
        const char* name;
        std::string text;
        bool ok;
        std::string keys;  // "name/type ..." when ok
        size_t lines;
    };
    const std::vector<Case> cases = {
        {"plain entry", "smtp inet n - n - - smtpd\n", true, "smtp/0", 1},
        {"comments and blanks", "# c\n\n  \t\nsmtp inet n - y - - smtpd\n", true, "smtp/0", 4},
        {"continuation with comment and blank between",
         "relay unix - - y - - smtp\n  -o a=b\n# note\n\n\t-o c=d\nshowq unix n - y - - showq\n",
         true, "relay/1 showq/1", 2},
        {"comment before a continuation", "smtp inet n - n - - smtpd # why\n  -o a=b\n", true,
         "smtp/0", 1},
        {"trailing blanks, CRs", "smtp inet n - n - - smtpd \t\r\n# x\r\n\r\n", true, "smtp/0", 3},
        {"columns split over lines", "smtp\n inet\n n - n\n - - smtpd\n", true, "smtp/0", 1},
        {"every type", "a inet n - n - - x\nb unix n - n - - x\nc fifo n - n - - x\n"
                       "d unix-dgram n - n - 1 postlogd\ne pass - - y - - smtpd\n",
         true, "a/0 b/1 c/2 d/3 e/4", 5},
        {"numeric and bracketed names",
         "127.0.0.1:10025 inet n - n - - smtpd\n[::1]:10025 inet n - n - - smtpd\n"
         "Relay_2 unix - - n - - smtp\n",
         true, "127.0.0.1:10025/0 Relay_2/1 [::1]:10025/0", 3},
        {"same key twice: first place", "smtp inet n - n - - a\n#\nsmtp inet n - n - - b\n", true,
         "smtp/0", 2},
        {"same name, other type", "smtp inet n - n - - smtpd\nsmtp unix - - n - - smtp\n", true,
         "smtp/0 smtp/1", 2},
        {"empty text", "", true, "", 1},
        {"comment on the only line of an entry", "smtp inet n - n - - smtpd # x\n", false, "", 0},
        {"unknown type", "smtp tcp n - n - - smtpd\n", false, "", 0},
        {"type with a tail", "smtp unixx n - n - - smtpd\n", false, "", 0},
        {"flags run together", "smtp inet n-n - - smtpd\n", false, "", 0},
        {"bad flag", "smtp inet x - n - - smtpd\n", false, "", 0},
        {"no command", "smtp inet n - n - -\n", false, "", 0},
        {"bad wakeup", "pickup unix n - y 6x 1 pickup\n", false, "", 0},
        {"maxproc beyond 32 bits", "x unix n - y - 4294967296 x\n", false, "", 0},
        {"continuation without an entry", "  -o a=b\n", false, "", 0},
        {"continuation after a comment only", "# c\n  -o a=b\n", false, "", 0},
        {"control character in a word", "smtp inet n - n - - smt\x01pd\n", false, "", 0},
        {"non-ASCII byte", "smtp inet n - n - - sm\xc3\xa9\n", false, "", 0},
    };
    for (const Case& c : cases) {
        MasterCfContent content;
        bool ok = parse(c.text, content);
        EXPECT_EQ(ok, c.ok) << c.name << ": got parse " << ok << ", want " << c.ok;
        if (!ok || !c.ok)
            continue;
        EXPECT_EQ(keys(content), c.keys) << c.name;
        EXPECT_EQ(content.lines.size(), c.lines) << c.name;
    }
}

TEST(MasterCfGrammar, FillsTheColumns) {
    MasterCfContent content;
    ASSERT_TRUE(parse("tlsmgr unix - y n 1000? 1 tlsmgr\n"
                      "relay unix - - - 60 - smtp\n  -o a=b -o c=d\n",
                      content));
    const ModuleInfo& tls = content.getModule("tlsmgr", quarn::mail::postfix::UNIX).first;
    EXPECT_TRUE(boost::logic::indeterminate(tls.isPrivate));
    EXPECT_TRUE(bool(tls.unprivileged));
    EXPECT_TRUE(bool(!tls.chroot));
    EXPECT_EQ(tls.wakeup, 1000);
    EXPECT_TRUE(tls.wakeupWhenUsed);
    EXPECT_EQ(tls.maxproc, 1);
    const ModuleInfo& relay = content.getModule("relay", quarn::mail::postfix::UNIX).first;
    EXPECT_TRUE(boost::logic::indeterminate(relay.chroot));
    EXPECT_EQ(relay.wakeup, 60);
    EXPECT_FALSE(relay.wakeupWhenUsed);
    EXPECT_EQ(relay.maxproc, -1);
    // Each entry holds its own words only.
    EXPECT_EQ(relay.command, (std::vector<std::string>{"smtp", "-o", "a=b", "-o", "c=d"}));
}

TEST(MasterCfFile, LoadsTextBackUnchanged) {
    const std::vector<std::string> texts = {
        "",
        "\n",
        "smtp inet n - n - - smtpd",
        "smtp inet n - n - - smtpd\n\n\n",
        "# only a comment",
        "smtp inet n - n - - smtpd\r\n  -o a=b\r\n#\r\n",
        "relay unix - - y - - smtp \t\r\n        -o syslog_name=postfix/$service_name\n"
        "#       -o smtp_helo_timeout=5\n\n   \n\t-o a=b \t\n"
        "showq     unix  n       -       y       -       -       showq  \t",
    };
    testsupport::TempDir dir;
    for (const std::string& text : texts) {
        MasterCfContent content;
        quarn::mail::postfix::loadMasterCf(dir.write("master.cf", text), content);
        EXPECT_EQ(content.text(), text) << "got the text back differently";
    }
    // A repeated entry takes the first one's place, also when it is the
    // last line: the line before it keeps its line feed.
    MasterCfContent content;
    quarn::mail::postfix::loadMasterCf(dir.write("master.cf", "a unix - - n - - x\n#c\na unix - - n - - y"),
                                       content);
    EXPECT_EQ(content.text(), "a unix - - n - - y\n#c\n");
}

// "unable to parse <path>" is proved with the files (ModuleManagerFiles).
TEST(MasterCfFile, ReportsThePathItCannotOpen) {
    testsupport::TempDir dir;
    for (const std::string& path : {dir.file("master.cf"), std::string("/tmp")}) {
        MasterCfContent content;
        try {
            quarn::mail::postfix::loadMasterCf(path, content);
            ADD_FAILURE() << path << ": got no error, want unable to open " << path;
        } catch (const quarn::mail::postfix::PostfixConfigurationError& e) {
            EXPECT_EQ(std::string(e.what()), "unable to open " + path);
        }
    }
}

}  // namespace
