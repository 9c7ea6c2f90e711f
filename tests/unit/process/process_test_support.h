// Checks shared by the process tests: no descriptor and no child may
// outlive a test.
#ifndef TESTS_UNIT_PROCESS_PROCESS_TEST_SUPPORT_H
#define TESTS_UNIT_PROCESS_PROCESS_TEST_SUPPORT_H

#include <dirent.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace process_test {

/// Open descriptors of this process (the directory's own one not counted).
inline int openDescriptorCount() {
    DIR* d = opendir("/proc/self/fd");
    if (!d)
        return -1;
    int n = 0;
    while (dirent* e = readdir(d)) {
        if (e->d_name[0] != '.')
            ++n;
    }
    closedir(d);
    return n - 1;
}

/// Pids of this process's children, zombies included.
inline std::vector<int> childPids() {
    std::vector<int> pids;
    DIR* d = opendir("/proc");
    if (!d)
        return pids;
    while (dirent* e = readdir(d)) {
        if (e->d_name[0] < '0' || e->d_name[0] > '9')
            continue;
        std::string stat;
        try {
            std::ifstream in(std::string("/proc/") + e->d_name + "/stat");
            stat.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        } catch (const std::exception&) {
            continue;  // the process ended while it was being read
        }
        size_t close = stat.rfind(')');
        if (close == std::string::npos)
            continue;
        std::istringstream fields(stat.substr(close + 2));
        std::string state;
        int ppid = 0;
        fields >> state >> ppid;
        if (ppid == getpid())
            pids.push_back(std::stoi(e->d_name));
    }
    closedir(d);
    return pids;
}

/// A fixture that fails a test leaving descriptors or children behind.
class NoLeaks : public ::testing::Test {
protected:
    void SetUp() override { descriptors_ = openDescriptorCount(); }
    void TearDown() override {
        EXPECT_EQ(descriptors_, openDescriptorCount()) << "open descriptors: got after, want before";
        std::vector<int> children = childPids();
        EXPECT_TRUE(children.empty()) << "got " << children.size() << " children left, want 0";
    }

private:
    int descriptors_ = 0;
};

}  // namespace process_test

#endif
