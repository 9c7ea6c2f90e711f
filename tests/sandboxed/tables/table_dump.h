// Reading Postfix lookup tables back in tests, through the real postmap.
#ifndef TESTS_SANDBOXED_TABLES_TABLE_DUMP_H
#define TESTS_SANDBOXED_TABLES_TABLE_DUMP_H

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>

namespace testsupport {

using Records = std::map<std::string, std::string>;

/// Standard output of a shell command.
inline std::string capture(const std::string& command) {
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (!p)
        throw std::runtime_error("popen " + command);
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    pclose(p);
    return out;
}

/// Every record of a map ("hash:/path"), from postmap's dump.
inline Records dumpTable(const std::string& map) {
    Records records;
    std::string text = capture("/usr/sbin/postmap -s " + map);
    std::string::size_type start = 0;
    while (start < text.size()) {
        std::string::size_type end = text.find('\n', start);
        std::string line = text.substr(start, end - start);
        std::string::size_type blank = line.find_first_of(" \t");
        std::string::size_type value = line.find_first_not_of(" \t", blank);
        records[line.substr(0, blank)] = value == std::string::npos ? "" : line.substr(value);
        start = end == std::string::npos ? text.size() : end + 1;
    }
    return records;
}

/// Builds a map ("hash:/path") afresh from `records` with postmap itself.
inline void fillTable(const std::string& map, const Records& records) {
    std::string source = map.substr(map.find(':') + 1);
    {
        std::ofstream out(source.c_str(), std::ios::trunc);
        for (const auto& kv : records)
            out << kv.first << ' ' << kv.second << '\n';
    }
    if (std::system(("/usr/sbin/postmap " + map).c_str()) != 0)
        throw std::runtime_error("postmap " + map + " failed");
    unlink(source.c_str());
}

inline std::string show(const Records& r) {
    std::string s = "{";
    for (const auto& kv : r)
        s += "[" + kv.first + "]=[" + kv.second + "] ";
    return s + "}";
}

}  // namespace testsupport

#endif
