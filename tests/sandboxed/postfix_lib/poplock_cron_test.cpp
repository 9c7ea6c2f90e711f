// Root's crontab through the real crontab program: the cleaner line for a
// period, other lines kept byte for byte, and runs at the same time.
#include "mail/postfix/lib/poplock_cron.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "lib/util/mk_lock.h"

namespace {

const std::string OTHER = "MAILTO=\"\"\n# keep me\n 5\t4 * * *   /bin/true  \n\n";

std::string crontab() {
    std::string text;
    if (FILE* p = popen("crontab -l -u root 2>/dev/null", "r")) {
        char buf[4096];
        while (size_t n = fread(buf, 1, sizeof buf, p))
            text.append(buf, n);
        pclose(p);
    }
    return text;
}

void setCrontab(const std::string& text) {
    FILE* p = popen("crontab -u root -", "w");
    ASSERT_NE(nullptr, p);
    fwrite(text.data(), 1, text.size(), p);
    ASSERT_EQ(0, pclose(p));
}

// The table split into the cleaner lines and the rest.
struct Split {
    std::string rest;
    std::vector<std::string> cleaners;
};

Split split(const std::string& table) {
    Split s;
    std::string::size_type at = 0, end;
    while ((end = table.find('\n', at)) != std::string::npos) {
        std::string line = table.substr(at, end - at + 1);
        at = end + 1;
        if (line.find(POPLOCK_CLEANER) != std::string::npos)
            s.cleaners.push_back(line);
        else
            s.rest += line;
    }
    return s;
}

// A commented cleaner line and the removal with 0 are proven by
// PoplockCron.Rewrite and by --set-mail-params end to end.
TEST(PoplockCrontab, Periods) {
    struct Case {
        const char* name;
        std::string before;
        int minutes;
        std::string rest;
    } cases[] = {
        {"replaced in place", OTHER + "7 * * * * " + POPLOCK_CLEANER + "\n" + OTHER, 30,
         OTHER + OTHER},
        {"no table at all", "", 20, ""},
    };
    for (const Case& c : cases) {
        if (c.before.empty())
            system("crontab -r -u root 2>/dev/null");
        else
            setCrontab(c.before);
        EXPECT_EQ(0, set_poplockdb_clean_period(c.minutes)) << c.name;
        std::string after = crontab();
        Split s = split(after);
        EXPECT_EQ(c.rest, s.rest) << c.name;
        ASSERT_EQ(1u, s.cleaners.size()) << c.name << ": " << after;
        int start = std::stoi(s.cleaners[0]);
        EXPECT_LT(start, c.minutes) << c.name;
        EXPECT_EQ(poplock_cron_line(c.minutes, start) + "\n", s.cleaners[0]) << c.name;
    }
}

// Runs at the same time without the lock left one line in every trial:
// only holding the lock while another run waits shows that it is taken.
TEST(PoplockCrontab, WaitsForTheLock) {
    setCrontab(OTHER);
    // The child starts only once the lock is held, so it does not share it.
    int go[2];
    ASSERT_EQ(0, pipe(go));
    pid_t pid = fork();
    if (pid == 0) {
        char c;
        close(go[1]);
        _exit(read(go[0], &c, 1) == 1 && set_poplockdb_clean_period(20) == 0 ? 0 : 1);
    }
    close(go[0]);
    {
        quarn::MKLock lock("/var/spool/cron/crontabs/root");
        ASSERT_EQ(1, write(go[1], "x", 1));
        usleep(300000);
        EXPECT_EQ(OTHER, crontab()) << "changed while another run held the lock";
    }
    close(go[1]);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_EQ(0, status);
    EXPECT_EQ(1u, split(crontab()).cleaners.size());
}

}  // namespace
