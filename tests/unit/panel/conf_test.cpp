#include "lib/panel/conf.h"

#include "tests/support/log_capture.h"
#include "tests/support/temp_dir.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using testsupport::LogCapture;
using testsupport::TempDir;

/// The configuration read from `text`, freed when it goes.
class ReadConf {
public:
    explicit ReadConf(const std::string& text) {
        conf_init_r(&conf);
        result = conf_read_file_r(dir_.write("vel.conf", text).c_str(), &conf);
    }
    ~ReadConf() { conf_free_r(&conf); }
    std::string get(const char* name) const {
        const char* value = conf_get_r(name, &conf);
        return value ? std::string("[") + value + "]" : "(none)";
    }

    conf_data conf;
    int result;

private:
    TempDir dir_;
};

struct ParseCase {
    const char* name;
    std::string text;
    const char* variable;
    std::string want;  // "[value]" or "(none)"
    std::string log;
};

TEST(ConfReadFile, Lines) {
    const ParseCase cases[] = {
        {"plain", "QUARN_MAILNAMES_D /srv/mail\n", "QUARN_MAILNAMES_D", "[/srv/mail]", ""},
        {"trailing comment", "QUARN_MAILNAMES_D /srv/mail #mail root\n", "QUARN_MAILNAMES_D",
         "[/srv/mail]", ""},
        {"comment without blank", "A b#c\n", "A", "[b]", ""},
        {"tabs and leading blanks", "  \tA\t\t b c \t\n", "A", "[b c]", ""},
        {"no final line feed", "A b", "A", "[b]", ""},
        {"crlf", "A b\r\n", "A", "[b]", ""},
        {"comment line", "# A b\nB c\n", "A", "(none)", ""},
        {"indented comment line", "   #A b\n", "A", "(none)", ""},
        {"empty lines", "\n\n   \nA b\n\n", "A", "[b]", ""},
        {"equals sign", "QUARN_MAILNAMES_D=/srv/mail\n", "QUARN_MAILNAMES_D", "(none)",
         "Invalid variable definition QUARN_MAILNAMES_D=/srv/mail\n"
         "Expected a space after variable name\n|"},
        {"name at end of file", "A", "A", "(none)",
         "Invalid variable definition A\nExpected a space after variable name\n|"},
        {"no value", "A   \nB c\n", "A", "(none)",
         "Invalid variable definition A   \nExpected a value|"},
        {"name and line feed", "A\n", "A", "(none)",
         "Invalid variable definition A\nExpected a value|"},
        {"value is a comment", "A #b\n", "A", "(none)",
         "Invalid variable definition A #b\nExpected a value|"},
        {"later wins", "A one\nB x\nA two\n", "A", "[two]", ""},
        {"bad line skipped, next read", "X-Y z\nA b\n", "A", "[b]",
         "Invalid variable definition X-Y z\nExpected a space after variable name\n|"},
        {"names are case-sensitive", "a b\n", "A", "(none)", ""},
    };
    for (const ParseCase& c : cases) {
        LogCapture log;
        ReadConf conf(c.text);
        EXPECT_EQ(0, conf.result) << c.name;
        EXPECT_EQ(c.want, conf.get(c.variable)) << c.name;
        EXPECT_EQ(c.log, log.text()) << c.name;
    }
}

TEST(ConfReadFile, ManyVariablesAreSortedAndFound) {
    std::string text;
    for (int i = 99; i >= 0; --i)
        text += "VAR" + std::to_string(i) + " value" + std::to_string(i) + "\n";
    ReadConf conf(text);
    ASSERT_EQ(0, conf.result);
    EXPECT_TRUE(conf.conf.sorted);
    EXPECT_EQ(100u, conf.conf.entries.size());
    for (int i = 0; i < 100; ++i) {
        std::string name = "VAR" + std::to_string(i);
        EXPECT_EQ("[value" + std::to_string(i) + "]", conf.get(name.c_str())) << name;
    }
    EXPECT_EQ("(none)", conf.get("VAR100"));
    EXPECT_EQ("(none)", conf.get(""));
}

// A missing file is told by the vel.conf tests.
TEST(ConfReadFile, DirectoryIsUnreadable) {
    TempDir dir;
    LogCapture log;
    conf_data conf;
    conf_init_r(&conf);
    EXPECT_EQ(-1, conf_read_file_r(dir.path().c_str(), &conf));
    EXPECT_EQ("Unable to read configuration file: Is a directory|", log.text());
    conf_free_r(&conf);
}

TEST(ConfSet, ReplacesAndKeepsOrder) {
    conf_data conf;
    ASSERT_EQ(0, conf_init_r(&conf));
    conf_set_r("B", "1", &conf);
    conf_set_r("A", "2", &conf);
    EXPECT_STREQ("2", conf_get_r("A", &conf)) << "unsorted lookup";
    conf_finalize_r(&conf);
    conf_set_r("C", "3", &conf);
    conf_set_r("AA", "4", &conf);
    conf_set_r("B", "5", &conf);
    std::vector<std::string> keys;
    for (const conf_entry& e : conf.entries)
        keys.push_back(e.key + "=" + e.value);
    EXPECT_EQ((std::vector<std::string>{"A=2", "AA=4", "B=5", "C=3"}), keys)
        << "a sorted configuration stays sorted";
    EXPECT_STREQ("4", conf_get_r("AA", &conf));
    EXPECT_EQ(nullptr, conf_get_r("D", &conf));
    conf_free_r(&conf);
    EXPECT_TRUE(conf.entries.empty());
}

}  // namespace
