// Root's crontab through the real crontab program: the cleaner line of a
// user without a table, and runs at the same time.
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

// Replacing a cleaner line among others is proved by --set-mail-params end
// to end, the bytes of the other lines by PoplockCron.Rewrite and below.
TEST(PoplockCrontab, NoTableAtAll) {
    system("crontab -r -u root 2>/dev/null");
    ASSERT_EQ(0, set_poplockdb_clean_period(20));
    std::string after = crontab();
    int start = std::stoi(after);
    EXPECT_LT(start, 20) << after;
    EXPECT_EQ(poplock_cron_line(20, start) + "\n", after);
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
    std::string after = crontab();
    EXPECT_EQ(0u, after.rfind(OTHER, 0)) << "other lines not kept byte for byte: " << after;
    EXPECT_NE(std::string::npos, after.find(POPLOCK_CLEANER)) << after;
    EXPECT_EQ(after.find(POPLOCK_CLEANER), after.rfind(POPLOCK_CLEANER)) << "one cleaner line";
}

}  // namespace
