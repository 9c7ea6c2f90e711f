// What holding the password cipher saves: enciphering passwords with the
// key file read for each one, next to one read for all of them, and the
// cost of storing passwords in the mail-authentication database.
// Run by hand (it works in a scratch directory under /tmp):
//   build/bench/password_cipher_bench [passwords]
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "mail/lib/auth/mail_auth_init.h"
#include "mail/lib/auth/mail_auth_location.h"
#include "mail/lib/auth/mail_auth_user.h"
#include "mail/lib/auth/mail_passwd_cipher.h"
#include "lib/util/malloc_string.h"

namespace {

using Clock = std::chrono::steady_clock;

double since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Seconds to encipher `n` passwords.
double encipherAll(long n) {
    Clock::time_point start = Clock::now();
    for (long i = 0; i < n; ++i) {
        std::string password = "password-" + std::to_string(i);
        quarn::MallocString text(
            mailPasswdCipherOp(password.c_str(), MAIL_PASSWD_ENCRYPT, "user", "example.com"));
        if (!text)
            std::exit(1);
    }
    return since(start);
}

void report(const char* what, long n, double seconds) {
    std::printf("%-40s %8ld in %8.3f s, %10.0f per second\n", what, n, seconds, n / seconds);
}

}  // namespace

int main(int argc, char** argv) {
    long n = argc > 1 ? std::atol(argv[1]) : 10000;
    char dir[] = "/tmp/password_cipher_bench.XXXXXX";
    if (!mkdtemp(dir))
        return 1;
    std::string db = std::string(dir) + "/passwd.db", key = std::string(dir) + "/passwd_db_key";
    mailAuthDBSetPath(db.c_str());
    mailAuthKeySetPath(key.c_str());
    if (mailAuthDBInit() != 0 || mailAuthKeyInit() != 0)
        return 1;
    report("encipher, key file read each time", n, encipherAll(n));
    mailPasswdCipherInit();
    report("encipher, key file read once", n, encipherAll(n));
    long users = n / 10 > 0 ? n / 10 : 1;
    Clock::time_point start = Clock::now();
    for (long i = 0; i < users; ++i)
        mailAuthSet(("user" + std::to_string(i)).c_str(), "example.com", "secret", 0);
    report("store a password (one transaction each)", users, since(start));
    mailPasswdCipherCleanup();
    std::string cleanup = std::string("rm -rf ") + dir;
    return std::system(cleanup.c_str()) == 0 ? 0 : 1;
}
