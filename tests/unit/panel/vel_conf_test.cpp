#include "lib/panel/vel_conf.h"

#include "tests/support/log_capture.h"
#include "tests/support/temp_dir.h"

#include <string>

#include <gtest/gtest.h>

namespace {

using testsupport::LogCapture;

std::string shown(const char* value) { return value ? std::string("[") + value + "]" : "(none)"; }

struct Known {
    VelConfVarIndexT index;
    const char* name;
    const char* value;
};

// The bounds and the last real name: a name or default out of step with
// its index shows in one of them.
const Known KNOWN[] = {
    {MIN_POSSIBLE_VEL_CONF_VAR, "_MIN_POSSIBLE_VEL_CONF_VAR_NAME", "_MIN_POSSIBLE_VEL_CONF_VAR_VALUE"},
    {QUARN_MAILNAMES_D, "QUARN_MAILNAMES_D", "/var/qmail/mailnames"},
    {NAMED_ZONES_CONF, "NAMED_ZONES_CONF", "/etc/named.conf.include.quarn-zones"},
    {MAX_POSSIBLE_VEL_CONF_VAR, "_MAX_POSSIBLE_VEL_CONF_VAR_NAME", "_MAX_POSSIBLE_VEL_CONF_VAR_VALUE"},
};

TEST(VelConfStore, MissingFileGivesEveryDefault) {
    LogCapture log;
    testsupport::TempDir dir;
    quarn::VelConfStore store(dir.file("vel.conf"));
    for (const Known& k : KNOWN) {
        EXPECT_EQ(shown(k.value), shown(store.getDefaultByIndex(k.index))) << k.name;
        if (k.index != MAX_POSSIBLE_VEL_CONF_VAR) {
            EXPECT_EQ(shown(k.value), shown(store.getDefault(k.name))) << k.name;
        }
        EXPECT_EQ("(none)", shown(store.getByIndex(k.index))) << k.name;
    }
    EXPECT_EQ("(none)", shown(store.get("QUARN_MAILNAMES_D")));
    EXPECT_NE(std::string::npos,
              log.text().find("unable to open configuration file " + dir.file("vel.conf") +
                          ": No such file or directory\n|"));
}

TEST(VelConfStore, UnknownNamesAndIndices) {
    LogCapture log;
    testsupport::TempDir dir;
    quarn::VelConfStore store(dir.write("vel.conf", "FOO bar\nOTHER x\n"));
    EXPECT_EQ("[x]", shown(store.get("OTHER"))) << "a name the table does not know, from the file";
    EXPECT_EQ("(none)", shown(store.getDefault("FOO")));
    EXPECT_EQ("variable 'FOO' isn't found neither in " + dir.file("vel.conf") +
                  " nor in compile-time defaults\n|",
              log.text());
    EXPECT_EQ("(none)", shown(store.getDefault("_MAX_POSSIBLE_VEL_CONF_VAR_NAME")))
        << "the upper bound is not looked up by name";
    EXPECT_EQ("(none)", shown(store.getDefaultByIndex(static_cast<VelConfVarIndexT>(32))));
    EXPECT_EQ("(none)", shown(store.getDefaultByIndex(static_cast<VelConfVarIndexT>(-1))));
}

}  // namespace
