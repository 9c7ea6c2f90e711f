// The process-wide lookups of the panel's configuration file at its real
// path. The file is read once per process, so each case runs in a freshly
// started copy of this test binary (the "threadsafe" death-test style).
#include "lib/panel/vel_conf.h"

#include "tests/support/saved_file.h"

#include <cstdlib>
#include <iostream>
#include <string>

#include <gtest/gtest.h>

namespace {

std::string shown(const char* value) { return value ? std::string("[") + value + "]" : "(none)"; }

/// Exits 0 when every check held, 1 after printing the ones that did not.
class Checks {
public:
    void expect(const std::string& want, const char* got, const char* what) {
        if (want == shown(got))
            return;
        std::cerr << what << ": got " << shown(got) << ", want " << want << "\n";
        ok_ = false;
    }
    [[noreturn]] void finish() { std::exit(ok_ ? 0 : 1); }

private:
    bool ok_ = true;
};

class VelConfGlobals : public ::testing::Test {
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

// A missing file gives the defaults and is tried again; once read, the
// values are kept although the file changes.
void missingThenReadOnce() {
    Checks checks;
    {
        testsupport::SavedFile conf(VEL_CONF_PATH);
        conf.remove();
        checks.expect("[/var/qmail/mailnames]", velConfGetDefaultByIndex(QUARN_MAILNAMES_D),
                      "missing file");
        conf.write("QUARN_MAILNAMES_D /srv/mail\nPRODUCT_ROOT_D /opt/vel\n");
        checks.expect("[/srv/mail]", velConfGetDefaultByIndex(QUARN_MAILNAMES_D), "by index");
        checks.expect("[/srv/mail]", velConfGet("QUARN_MAILNAMES_D"), "by name");
        checks.expect("[/opt/vel]", velConfGetDefault("PRODUCT_ROOT_D"), "default by name");
        checks.expect("[/usr/bin]", velConfGetDefaultByIndex(PGSQL_BIN_D), "not in the file");
        checks.expect("(none)", velConfGetByIndex(PGSQL_BIN_D), "no default without asking");
        conf.write("QUARN_MAILNAMES_D /srv/other\n");
        checks.expect("[/srv/mail]", velConfGetByIndex(QUARN_MAILNAMES_D), "kept after change");
        checks.expect("[/opt/vel]", velConfGet("PRODUCT_ROOT_D"), "file not read again");
    }
    checks.finish();
}

TEST_F(VelConfGlobals, DefaultsUntilTheFileIsReadThenKept) {
    EXPECT_EXIT(missingThenReadOnce(), ::testing::ExitedWithCode(0), "");
}

}  // namespace
