// The milter and Courier-IMAP through the sandbox's stand-in init scripts:
// results, messages, what reaches the daemon-control log, and the panel
// setting that switches daemon control off.
#include "mail/lib/daemons/daemon_control.h"

#include <sys/stat.h>

#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "lib/panel/vel_conf.h"
#include "mail/lib/daemons/rc_script.h"
#include "tests/support/file_text.h"
#include "tests/support/printed.h"
#include "tests/support/saved_file.h"
#include "tests/unit/process/child_output.h"

namespace {

using testsupport::readFile;

const std::string INITD_LOG = "/run/sandbox/initd.log";
const std::string STATE = "/run/sandbox/initd/";

// The text added to a file while `f` runs.
template <class F>
std::string addedTo(const std::string& path, F f) {
    std::string before = readFile(path);
    f();
    return readFile(path).substr(before.size());
}

TEST(DaemonControl, StandInScripts) {
    struct Case {
        const char* name;
        const char* service;
        const char* action;
        const char* setupFile;  // under the stand-ins' state directory
        const char* setupText;
        int want;
        const char* message;  // printed on both streams
        const char* ran;      // added to initd.log
        const char* logged;   // added to the daemon-control log
    } cases[] = {
        {"status stopped is quiet", "kx-remote", "status", nullptr, nullptr, -1, "",
         "kx-remote status\n", "kx-remote is not running\n"},
        {"signalled", "courier-imap", "start", "courier-imap.signal-start", "15", -1,
         "Unable to start service /etc/init.d/courier-imap: daemon killed by signal 15\n",
         "courier-imap start\n", ""},
        {"errors reach the log", "kx-remote", "bogus", nullptr, nullptr, -1,
         "Service /etc/init.d/kx-remote failed to bogus\n", "kx-remote bogus\n",
         "Usage: /etc/init.d/kx-remote {start|stop|restart|reload|force-reload|status}\n"},
        {"no script", "nosuch", "start", nullptr, nullptr, -1,
         "Unable to find start/stop script for 'nosuch'\n", "", ""},
        {"a path is no service name", "../init.d/kx-remote", "start", nullptr, nullptr, -1,
         "Unable to find start/stop script for '../init.d/kx-remote'\n", "", ""},
        {"empty service", "", "start", nullptr, nullptr, -1, "Unknown service\n", "", ""},
    };
    for (const Case& c : cases) {
        if (c.setupFile)
            std::ofstream(STATE + c.setupFile) << c.setupText;
        testsupport::Printed p;
        std::string logged;
        std::string ran = addedTo(INITD_LOG, [&] {
            logged = addedTo(rc_actions_log_path(), [&] {
                p = testsupport::printedBy([&] { return restart_daemon(c.service, c.action); });
            });
        });
        if (c.setupFile)
            std::remove((STATE + c.setupFile).c_str());
        EXPECT_EQ(c.want, p.rc) << c.name;
        EXPECT_EQ(c.message, p.err) << c.name;
        EXPECT_EQ(c.message, p.out) << c.name;
        EXPECT_EQ(c.ran, ran) << c.name;
        EXPECT_EQ(c.logged, logged) << c.name;
    }
    struct stat st {};
    ASSERT_EQ(0, stat(rc_actions_log_path().c_str(), &st));
    EXPECT_EQ(0644u, st.st_mode & 07777);
}

TEST(DaemonControl, ScriptThatCannotRunEndsTheProgram) {
    struct Case {
        const char* path;
        const char* message;
    } cases[] = {
        {"/etc/init.d/nosuch", "No such file '/etc/init.d/nosuch': No such file or directory"},
        {"/etc/init.d", "Not a regular file: '/etc/init.d'"},
    };
    for (const Case& c : cases) {
        child_test::ChildOutput got = child_test::runInChild([&] { rc_script(c.path, "start"); });
        EXPECT_EQ(1, got.exitStatus) << c.path;
        EXPECT_EQ(0u, got.err.find(c.message)) << c.path << ": got '" << got.err << "'";
    }
}

// The configuration is read once per process: a fresh copy of this binary.
void controlSwitchedOff() {
    testsupport::SavedFile conf(VEL_CONF_PATH);
    conf.write(conf.text() + "NO_RESTART_DAEMON 1\n");
    std::ofstream(STATE + "kx-remote.fail-start") << "9";
    std::string before = readFile(INITD_LOG);
    bool quiet = restart_daemon("kx-remote", "start") == 0 &&
                 restart_daemon("courier-imap", "restart") == 0 &&
                 restart_daemon("nosuch", "start") == 0 && readFile(INITD_LOG) == before;
    std::remove((STATE + "kx-remote.fail-start").c_str());
    std::exit(quiet ? 0 : 1);
}

TEST(DaemonControl, NoRestartDaemonSkipsEverything) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(controlSwitchedOff(), ::testing::ExitedWithCode(0), "");
}

}  // namespace
