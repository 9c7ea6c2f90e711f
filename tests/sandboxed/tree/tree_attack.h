// Attacks on the mail tree as popuser would make them, for the sandboxed
// tests of every module that works in the tree as root: a root-owned
// target outside the tree, its exact state before and after, links planted
// by popuser, and a popuser process that keeps swapping names.
#ifndef TESTS_SANDBOXED_TREE_TREE_ATTACK_H
#define TESTS_SANDBOXED_TREE_TREE_ATTACK_H

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <boost/filesystem.hpp>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace tree_attack {

/// Size of every marker file, so that a count that took one in shows.
const std::size_t MARKER_SIZE = 7777;
/// The size limit of the target's maildirsize, so that reading it shows.
const long long MARKER_LIMIT = 7777777;

/// One line per entry below `dir` (links not followed), sorted: path,
/// type, owner, mode, and the bytes of a regular file.
inline std::string snapshot(const std::string& dir, const std::string& rel = "") {
    std::vector<std::string> lines;
    struct stat st;
    std::string path = rel.empty() ? dir : dir + "/" + rel;
    if (lstat(path.c_str(), &st) != 0)
        return rel + " missing\n";
    std::string line = (rel.empty() ? "." : rel) + " " + std::to_string(st.st_mode) + " " +
                       std::to_string(st.st_uid) + ":" + std::to_string(st.st_gid);
    if (S_ISREG(st.st_mode)) {
        std::ifstream in(path, std::ios::binary);
        line += " " + std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::string text = line + "\n";
    if (S_ISDIR(st.st_mode)) {
        for (auto& e : boost::filesystem::directory_iterator(path)) {
            std::string name = e.path().filename().string();
            lines.push_back(snapshot(dir, rel.empty() ? name : rel + "/" + name));
        }
        std::sort(lines.begin(), lines.end());
        for (auto& l : lines)
            text += l;
    }
    return text;
}

/// A root-owned directory outside the tree, laid out like a mailname home
/// (so that a walk led into it finds what it looks for), each directory
/// holding a marker file of MARKER_SIZE bytes, plus a .qmail and a
/// maildirsize of root's. `unchanged()` compares with the first state.
class RootTarget {
public:
    explicit RootTarget(std::string dir) : dir_(std::move(dir)) { reset(); }
    ~RootTarget() {
        boost::system::error_code ignored;
        boost::filesystem::remove_all(dir_, ignored);
    }

    /// Builds the target afresh (also after an attack changed it).
    void reset() {
        boost::system::error_code ignored;
        boost::filesystem::remove_all(dir_, ignored);
        for (const char* sub : {"", "/Maildir", "/Maildir/tmp", "/Maildir/new", "/Maildir/cur",
                                "/Maildir/.Spam", "/Maildir/.Spam/cur", "/Maildir/.Spam/new",
                                "/@attachments", "/sub"}) {
            std::string d = dir_ + sub;
            mkdir(d.c_str(), 0755);
            chown(d.c_str(), 0, 0);
            chmod(d.c_str(), 0755);
            write(d + "/marker", std::string(MARKER_SIZE, 'm'));
        }
        write(dir_ + "/.qmail", "root's own\n");
        write(dir_ + "/Maildir/maildirsize", std::to_string(MARKER_LIMIT) + "S,0C\n 0 0\n");
        before_ = snapshot(dir_);
    }
    const std::string& dir() const { return dir_; }
    bool unchanged() const { return snapshot(dir_) == before_; }
    std::string now() const { return snapshot(dir_); }

private:
    static void write(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
        chmod(path.c_str(), 0644);
    }

    std::string dir_;
    std::string before_;
};

/// popuser's uid and gid in the sandbox.
inline std::pair<uid_t, gid_t> popuserIds() {
    const struct passwd* pw = getpwnam("popuser");
    if (!pw)
        throw std::runtime_error("no popuser in the sandbox");
    return {pw->pw_uid, pw->pw_gid};
}

/// Starts `work` in a child process that has become popuser (no other
/// group, no capability); returns its pid. The child exits with what
/// `work` returns.
inline pid_t startAsPopuser(const std::function<int()>& work) {
    auto ids = popuserIds();
    fflush(nullptr);
    pid_t pid = fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        if (setgroups(0, nullptr) != 0 || setgid(ids.second) != 0 || setuid(ids.first) != 0)
            _exit(120);
        _exit(work());
    }
    return pid;
}

/// As popuser: moves whatever is at `path` aside and puts a symbolic link
/// to `target` there. Throws when popuser could not.
inline void plantLink(const std::string& path, const std::string& target) {
    pid_t pid = startAsPopuser([&] {
        if (rename(path.c_str(), (path + ".moved").c_str()) != 0)
            return 100 + errno;
        return symlink(target.c_str(), path.c_str()) == 0 ? 0 : 1;
    });
    int status;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("popuser could not plant a link at " + path +
                                 " (wait status " + std::to_string(status) + ")");
}

/// A popuser process that swaps `dir` and a link to `target` beside it
/// (renameat2 RENAME_EXCHANGE) as fast as it can until stopped.
class Swapper {
public:
    Swapper(const std::string& dir, const std::string& target) {
        pid_ = startAsPopuser([dir, target] {
            const std::string link = dir + ".evil";
            for (;;) {
                symlink(target.c_str(), link.c_str());
                renameat2(AT_FDCWD, dir.c_str(), AT_FDCWD, link.c_str(), RENAME_EXCHANGE);
            }
            return 0;
        });
    }
    ~Swapper() {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    Swapper(const Swapper&) = delete;
    Swapper& operator=(const Swapper&) = delete;

private:
    pid_t pid_;
};

/// Where popuser puts a link, and where in the target it leads: to the
/// entry of the same role, so that a walk that follows finds its way.
struct Depth {
    const char* name;
    std::string at, to;
};

/// Each of `ops` run by `run` as root after popuser's link at each of
/// `depths`, on a tree that `fresh` lays anew each time: the target stays
/// exactly as it was and `shows` finds nothing of it in what `run` tells.
/// What each run told, one line each, is printed after a failure (or
/// always with TREE_ATTACK_REPORT set): refusals or work inside.
template <class Op, std::size_t D, std::size_t N, class Fresh, class Run, class Shows>
void linkAtEveryDepth(RootTarget& target, const Depth (&depths)[D], const Op (&ops)[N],
                             Fresh fresh, Run run, Shows shows) {
    std::string report;
    for (const Depth& depth : depths) {
        for (const Op& op : ops) {
            fresh();
            plantLink(depth.at, depth.to);
            const std::string result = run(op);
            const std::string where = std::string("link at ") + depth.name + ", " + op.name;
            report += where + ": " + result + "\n";
            EXPECT_TRUE(target.unchanged())
                << where << " (" << result << ") changed the target:\n" << target.now();
            EXPECT_FALSE(shows(result)) << where << " counted or listed the target: " << result;
            if (!target.unchanged())
                target.reset();
        }
    }
    if (::testing::Test::HasFailure() || std::getenv("TREE_ATTACK_REPORT"))
        std::cout << report;
}

}  // namespace tree_attack

#endif
