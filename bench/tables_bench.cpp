// Table rewrites and bulk adds next to the bare postmap work they wrap.
// Run by hand inside the sandbox:
//   tests/sandbox/run build/bench/tables_bench [records...]
// For each size (default 100000 and 1000000) it prints wall time, CPU time
// (this process and its children) and peak resident memory of this process
// and of its largest child, for:
//   - filterRecords, against "postmap -s map > src; postmap src" of the
//     same table (the least any dump-filter-rebuild can cost);
//   - addRecords into an empty table, against "postmap -r -i map < file".
// Each figure is taken in a fresh child process, so peaks do not carry over,
// and is the fastest of three runs: the machine may be shared.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "mail/postfix/tables/database_helper.h"
#include "mail/postfix/tables/record_filters.h"

namespace {

using Clock = std::chrono::steady_clock;
using quarn::mail::postfix::DatabaseHelper;
namespace db = quarn::mail::postfix::database;

const std::string DIR = "/var/spool/postfix/quarn/";

struct Figures {
    double wall = 0, cpu = 0;
    long ownKiB = 0, childKiB = 0;
};

// CPU seconds used so far by `who` (this process or its children).
double cpuSeconds(int who, long* peakKiB = nullptr) {
    rusage u{};
    getrusage(who, &u);
    if (peakKiB)
        *peakKiB = u.ru_maxrss;
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

const int Runs = 3;

// Runs `prepare` and then the timed `work` in a child of its own.
Figures measureOnce(const std::function<void()>& prepare, const std::function<void()>& work) {
    int fds[2];
    if (pipe(fds) < 0)
        std::exit(1);
    pid_t pid = fork();
    if (pid == 0) {
        prepare();
        Figures f;
        double cpu0 = cpuSeconds(RUSAGE_SELF) + cpuSeconds(RUSAGE_CHILDREN);
        Clock::time_point start = Clock::now();
        work();
        f.wall = std::chrono::duration<double>(Clock::now() - start).count();
        f.cpu = cpuSeconds(RUSAGE_SELF, &f.ownKiB) + cpuSeconds(RUSAGE_CHILDREN, &f.childKiB) - cpu0;
        ssize_t n = write(fds[1], &f, sizeof f);
        _exit(n == sizeof f ? 0 : 1);
    }
    close(fds[1]);
    Figures f;
    if (read(fds[0], &f, sizeof f) != sizeof f)
        std::fprintf(stderr, "measurement failed\n");
    close(fds[0]);
    waitpid(pid, nullptr, 0);
    return f;
}

// The run with the least wall time of several.
Figures measure(const std::function<void()>& prepare, const std::function<void()>& work) {
    Figures best;
    for (int i = 0; i < Runs; ++i) {
        Figures f = measureOnce(prepare, work);
        if (i == 0 || f.wall < best.wall)
            best = f;
    }
    return best;
}

void print(const char* what, long records, const Figures& f) {
    std::printf("%-34s %8ld records: wall %7.2f s, cpu %7.2f s, peak own %7ld KiB, "
                "peak postmap %7ld KiB\n",
                what, records, f.wall, f.cpu, f.ownKiB, f.childKiB);
}

void shell(const std::string& command) {
    if (std::system(command.c_str()) != 0)
        std::fprintf(stderr, "failed: %s\n", command.c_str());
}

// Records shaped like the virtual table: address keys, two-element values.
std::pair<std::string, std::string> record(long i) {
    return {"user" + std::to_string(i) + "@example" + std::to_string(i % 1000) + ".com",
            "user" + std::to_string(i) + "@example.com, copy" + std::to_string(i) +
                "@example.net"};
}

void writeSource(const std::string& path, long records) {
    std::ofstream out(path);
    for (long i = 0; i < records; ++i) {
        auto r = record(i);
        out << r.first << ' ' << r.second << '\n';
    }
}

// A built table of `records` records (none: empty) at `path`, without its source.
void buildTable(const std::string& path, long records) {
    writeSource(path, records);
    shell("/usr/sbin/postmap hash:" + path);
    std::remove(path.c_str());
}

void removeTable(const std::string& path) {
    std::remove(path.c_str());
    std::remove((path + ".db").c_str());
}

void benchFilter(long records) {
    const std::string table = DIR + "bench_filter", copy = DIR + "bench_copy";
    buildTable(table, records);
    print("postmap -s > src; postmap src", records,
          measure([] {}, [&] {
              shell("/usr/sbin/postmap -s hash:" + table + " > " + copy +
                    " && /usr/sbin/postmap hash:" + copy);
          }));
    print("filterRecords", records, measure([] {}, [&] {
              std::string from = "user7@example.com", to = "renamed@example.com";
              DatabaseHelper::filterElements("hash:" + table,
                                             db::ReplaceElementFilterRef(from, to));
          }));
    removeTable(table);
    removeTable(copy);
}

void benchAdd(long records) {
    const std::string table = DIR + "bench_add", file = DIR + "bench_add.in";
    writeSource(file, records);
    print("postmap -r -i < file", records, measure([&] { buildTable(table, 0); }, [&] {
              shell("/usr/sbin/postmap -r -i hash:" + table + " < " + file);
          }));
    std::vector<std::pair<std::string, std::string>> pairs;
    print("addRecords", records, measure(
              [&] {
                  buildTable(table, 0);
                  pairs.reserve(records);
                  for (long i = 0; i < records; ++i)
                      pairs.push_back(record(i));
              },
              [&] { DatabaseHelper::addRecords("hash:" + table, pairs.begin(), pairs.end()); }));
    removeTable(table);
    std::remove(file.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<long> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(std::atol(argv[i]));
    if (sizes.empty())
        sizes = {100000, 1000000};
    for (long n : sizes)
        benchFilter(n);
    for (long n : sizes)
        benchAdd(n);
    return 0;
}
