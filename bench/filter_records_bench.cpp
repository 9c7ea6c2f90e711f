// How fast a table rewrite streams, next to the bare postmap work it wraps.
// Run by hand inside the sandbox:
//   tests/sandbox/run build/bench/filter_records_bench [records]
// It prints seconds, records per second and the peak resident memory after a
// tenth of the table and after the whole, which should stay the same.
#include <sys/resource.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "mail/postfix/tables/database_helper.h"
#include "mail/postfix/tables/record_filters.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace db = quarn::mail::postfix::database;

double since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

long peakKiB() {
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// A table shaped like the virtual table: address keys, two-element values.
void writeSource(const std::string& path, long records) {
    std::ofstream out(path);
    for (long i = 0; i < records; ++i)
        out << "user" << i << "@example" << i % 1000 << ".com user" << i
            << "@example.com, copy" << i << "@example.net\n";
}

double timed(const char* command) {
    Clock::time_point start = Clock::now();
    if (std::system(command) != 0)
        std::fprintf(stderr, "failed: %s\n", command);
    return since(start);
}

void filterOnce(const std::string& map, long records) {
    std::string from = "user7@example.com", to = "renamed@example.com";
    Clock::time_point start = Clock::now();
    quarn::mail::postfix::DatabaseHelper::filterElements(map,
                                                         db::ReplaceElementFilterRef(from, to));
    double seconds = since(start);
    std::printf("filterRecords %8ld records: %7.2f s, %10.0f records/s, peak %ld KiB\n",
                records, seconds, records / seconds, peakKiB());
}

}  // namespace

int main(int argc, char** argv) {
    long records = argc > 1 ? std::atol(argv[1]) : 1000000;
    const std::string dir = "/var/spool/postfix/quarn/";
    const std::string small = dir + "bench_small", large = dir + "bench_large";

    writeSource(small, records / 10);
    writeSource(large, records);
    std::system(("/usr/sbin/postmap hash:" + small).c_str());
    double rebuild = timed(("/usr/sbin/postmap hash:" + large).c_str());
    double dump = timed(("/usr/sbin/postmap -s hash:" + large + " > /dev/null").c_str());
    std::printf("bare postmap rebuild: %7.2f s, bare postmap -s dump: %7.2f s\n", rebuild, dump);

    std::remove(small.c_str());
    std::remove(large.c_str());
    filterOnce("hash:" + small, records / 10);
    filterOnce("hash:" + large, records);
    std::remove((small + ".db").c_str());
    std::remove((large + ".db").c_str());
    return 0;
}
