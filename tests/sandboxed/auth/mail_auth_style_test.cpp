// Creating the database and key file on the system paths of both styles,
// with their owners and modes, and finding the style from the feature
// report of the installed program.
#include "lib/panel/enviroment.h"
#include "lib/runner/exec_cmd.h"
#include "mail/lib/auth/mail_auth_init.h"
#include "mail/lib/auth/mail_auth_location.h"
#include "mail/lib/auth/mail_auth_style.h"
#include "mail/lib/auth/mail_auth_user.h"

#include "tests/support/file_text.h"
#include "tests/support/log_capture.h"
#include "tests/support/saved_file.h"
#include "tests/support/sqlite_rows.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include <boost/format.hpp>
#include <gtest/gtest.h>

namespace {

std::string access(const std::string& path) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0)
        return "missing";
    return (boost::format("%u:%u %04o") % st.st_uid % st.st_gid % (st.st_mode & 07777)).str();
}

// Gives a directory back its owner and mode when the test ends.
class KeepAccess {
public:
    explicit KeepAccess(const std::string& dir) : dir_(dir) {
        existed_ = lstat(dir.c_str(), &st_) == 0;
    }
    ~KeepAccess() {
        if (existed_) {
            chown(dir_.c_str(), st_.st_uid, st_.st_gid);
            chmod(dir_.c_str(), st_.st_mode & 07777);
        }
        for (const char* name : {"passwd.db", "passwd_db_key"})
            std::remove((dir_ + "/" + name).c_str());
        mailAuthDBSelectStyle(MAIL_AUTH_DB_QMAIL_STYLE);
    }

private:
    std::string dir_;
    struct stat st_ = {};
    bool existed_ = false;
};

TEST(MailAuthStyleFiles, BothStylesGetTheirOwnersAndModes) {
    struct passwd* postfix = getpwnam("postfix");
    ASSERT_NE(postfix, nullptr);
    std::string pf = std::to_string(postfix->pw_uid);
    std::string pfGroup = std::to_string(postfix->pw_gid);
    struct Case {
        int style;
        std::string dir, dirWant, dbWant, keyWant;
    };
    const Case cases[] = {
        {MAIL_AUTH_DB_POSTFIX_STYLE, "/var/spool/postfix/quarn", pf + ":" + pfGroup + " 0770",
         pf + ":0 0460", pf + ":0 0440"},
        {MAIL_AUTH_DB_QMAIL_STYLE, "/var/lib/quarn/mail/auth", "0:0 0750", "0:0 0600", "0:0 0400"},
    };
    for (const Case& c : cases) {
        KeepAccess keep(c.dir);
        ASSERT_EQ(mailAuthDBInitStyle(c.style), 0) << c.dir;
        EXPECT_EQ(std::string(mailAuthDB), c.dir + "/passwd.db");
        EXPECT_EQ(access(c.dir), c.dirWant) << c.dir;
        EXPECT_EQ(access(mailAuthDB), c.dbWant) << c.dir;
        EXPECT_EQ(access(mailAuthKey), c.keyWant) << c.dir;
        EXPECT_EQ(testsupport::readFile(mailAuthKey).size(), 32u);
        EXPECT_EQ(testsupport::sqliteRows(mailAuthDB,
                                          "SELECT name FROM sqlite_master WHERE "
                                          "type='trigger' ORDER BY name"),
                  "fkd_users_domains_id\nfki_users_domains_id\nfku_users_domains_id\n");
        EXPECT_EQ(mailAuthSet("info", "style.test", "pw", 0), 0) << c.dir;
    }
}

TEST(MailAuthStyleFiles, LinkPlantedForTheDatabaseIsRefused) {
    KeepAccess keep("/var/spool/postfix/quarn");
    ASSERT_EQ(mailAuthDBInitStyle(MAIL_AUTH_DB_POSTFIX_STYLE), 0);
    // The postfix group may write the directory; a link it plants in place
    // of the database must not lead our chown to another file.
    testsupport::SavedFile victim("/run/victim");
    victim.write("root's file");
    chmod("/run/victim", 0600);
    std::remove(mailAuthDB);
    ASSERT_EQ(symlink("/run/victim", mailAuthDB), 0);
    testsupport::LogCapture log;
    EXPECT_EQ(mailAuthDBSetAccess(1, 0, 0460, 0, 0, 0770), -1);
    EXPECT_EQ(access("/run/victim"), "0:0 0600");
}

// A stand-in for the installed program: it keeps its arguments and
// environment and prints a feature report.
const char STAND_IN[] =
    "#!/bin/sh\n"
    "printf '%s\\n' \"$@\" > /run/features.args\n"
    "env > /run/features.env\n"
    "echo \"\\$features['SMTP_Server_package'] = \\\"postfix\\\";\"\n"
    "echo \"\\$features['SMTP_Server'] = \\\"Postfix\\\";\"\n";

TEST(MailAuthStyleFiles, StyleFromTheInstalledProgramWhichNeverSeesThePassword) {
    const std::string password = "Unique-P4ssw0rd-in-env";
    testsupport::SavedFile program("/usr/local/vel/admin/sbin/mxwarden");
    program.write(STAND_IN);
    chmod("/usr/local/vel/admin/sbin/mxwarden", 0755);
    setenv("VEL_PASSWORD", password.c_str(), 1);
    std::string taken;
    int crypted = 0;
    ASSERT_EQ(get_env_password(&taken, &crypted), 0);
    KeepAccess keep("/var/spool/postfix/quarn");
    testsupport::LogCapture log;
    ASSERT_EQ(mailAuthDBInitStyle(MAIL_AUTH_DB_POSTFIX_STYLE), 0);
    ASSERT_EQ(mailAuthSet("info", "child.test", taken.c_str(), 0), 0);
    EXPECT_EQ(mailAuthDBDetectStyle(), MAIL_AUTH_DB_POSTFIX_STYLE);
    EXPECT_EQ(testsupport::readFile("/run/features.args"), "--features\n");
    std::string env = testsupport::readFile("/run/features.env");
    EXPECT_NE(env, "");
    EXPECT_EQ(env.find(password), std::string::npos) << env;
    EXPECT_EQ(log.text().find(password), std::string::npos) << log.text();
}

}  // namespace
