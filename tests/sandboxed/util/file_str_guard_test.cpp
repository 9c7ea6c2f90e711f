// What file_str keeps safe: owner and mode, the temporary file, refused
// targets, the path lock, a full disk and two processes editing one file.
#include "lib/util/file_str.h"

#include <pwd.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <functional>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "lib/util/mk_lock.h"
#include "tests/support/child_processes.h"
#include "tests/support/file_text.h"
#include "tests/support/printed.h"
#include "tests/support/temp_dir.h"
#include "tests/unit/process/child_output.h"

namespace {

using testsupport::Printed;
using testsupport::printedBy;
using testsupport::readFileIfAny;
using testsupport::show;
using testsupport::TempDir;

const std::vector<std::string> NONE;

struct stat lstatOf(const std::string& path) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0)
        ADD_FAILURE() << "lstat " << path << ": " << std::strerror(errno);
    return st;
}

// The rewritten file is a new one with the old owner, group and mode; an
// appended file is the same one, also with them.
TEST(FileStr, OwnerGroupAndModeKept) {
    struct Case {
        const char* name;
        mode_t mode;
        int action;
        int position;
        const char* after;
    } cases[] = {
        {"remove", 0640, FILE_STR_REMOVE, 0, "b\n"},
        {"prepend", 0640, FILE_STR_ADD, 0, "a\na\nb\n"},
        {"append", 0640, FILE_STR_ADD, 1, "a\nb\na\n"},
        // chown clears the set-user-id bit, so the mode must come after it
        {"remove, set-user-id", 04750, FILE_STR_REMOVE, 0, "b\n"},
    };
    const passwd* popuser = getpwnam("popuser");
    ASSERT_NE(nullptr, popuser);
    for (const Case& c : cases) {
        TempDir dir;
        std::string path = dir.write("f", "a\nb\n");
        ASSERT_EQ(0, chown(path.c_str(), popuser->pw_uid, popuser->pw_gid));
        ASSERT_EQ(0, chmod(path.c_str(), c.mode));
        struct stat before = lstatOf(path);
        EXPECT_EQ(0, file_str(path.c_str(), "a", c.action, c.position)) << c.name;
        EXPECT_EQ(show(std::string(c.after)), show(readFileIfAny(path))) << c.name;
        struct stat after = lstatOf(path);
        EXPECT_EQ(popuser->pw_uid, after.st_uid) << c.name;
        EXPECT_EQ(popuser->pw_gid, after.st_gid) << c.name;
        EXPECT_EQ(c.mode, after.st_mode & 07777)
            << c.name << ": got mode " << std::oct << (after.st_mode & 07777) << ", want "
            << c.mode;
        bool rewritten = !(c.action == FILE_STR_ADD && c.position == 1);
        EXPECT_EQ(rewritten, after.st_ino != before.st_ino) << c.name << ": replaced";
        EXPECT_EQ(NONE, dir.namesEnding(".tmp")) << c.name;
    }
}

// A ".tmp" left at the path, or a link planted there, is replaced, never
// written through; one that cannot be replaced stops the edit.
TEST(FileStr, StaleOrPlantedTemporaryFile) {
    TempDir dir;
    std::string path = dir.write("f", "a\nb\n");
    std::string tmp = path + ".tmp";
    std::string victim = dir.write("victim", "secret\n");
    ASSERT_EQ(0, symlink(victim.c_str(), tmp.c_str()));
    EXPECT_EQ(0, file_str(path.c_str(), "a", FILE_STR_REMOVE, 0));
    EXPECT_EQ(show(std::string("b\n")), show(readFileIfAny(path)));
    EXPECT_EQ(show(std::string("secret\n")), show(readFileIfAny(victim)));
    EXPECT_EQ(NONE, dir.namesEnding(".tmp"));

    dir.write("f.tmp", "stale\n");
    EXPECT_EQ(0, file_str(path.c_str(), "c", FILE_STR_ADD, 0));
    EXPECT_EQ(show(std::string("c\nb\n")), show(readFileIfAny(path)));
    EXPECT_EQ(NONE, dir.namesEnding(".tmp"));

    ASSERT_EQ(0, mkdir(tmp.c_str(), 0700));
    ASSERT_EQ(0, mkdir((tmp + "/inside").c_str(), 0700));
    Printed p = printedBy([&] { return file_str(path.c_str(), "c", FILE_STR_REMOVE, 0); });
    EXPECT_EQ(1, p.rc);
    EXPECT_EQ(show(std::string("c\nb\n")), show(readFileIfAny(path)));
    std::string want = "Unable to open file " + tmp + ": ";
    EXPECT_EQ(0u, p.err.find(want)) << "got '" << p.err << "', want '" << want << "...'";
    EXPECT_EQ("", p.out) << "this message goes to standard error only";
}

// Targets that are not a plain file are refused, and what they lead to
// stays as it was.
TEST(FileStr, RefusedTargets) {
    struct Case {
        const char* name;
        int action;
        int position;
    } actions[] = {
        // every action but the append goes through the rewrite
        {"remove", FILE_STR_REMOVE, 0},
        {"append", FILE_STR_ADD, 1},
    };
    for (const Case& c : actions) {
        TempDir dir;
        std::string victim = dir.write("victim", "a\n");
        struct Target {
            const char* name;
            std::function<int(const char* path)> make;
            const char* error;
        } targets[] = {
            {"link", [&](const char* p) { return symlink(victim.c_str(), p); },
             "Too many levels of symbolic links"},
            {"dangling", [&](const char* p) { return symlink(dir.file("nowhere").c_str(), p); },
             "Too many levels of symbolic links"},
            {"hard", [&](const char* p) { return ::link(victim.c_str(), p); }, "Too many links"},
            {"fifo", [](const char* p) { return mkfifo(p, 0600); }, "Invalid argument"},
            {"sub", [](const char* p) { return mkdir(p, 0700); }, "Is a directory"},
        };
        for (const Target& t : targets) {
            std::string path = dir.file(t.name);
            ASSERT_EQ(0, t.make(path.c_str())) << t.name;
            Printed p = printedBy([&] { return file_str(path.c_str(), "a", c.action, c.position); });
            EXPECT_EQ(1, p.rc) << c.name << " " << path;
            std::string want = "file_str: Unable to stat file " + path + ": " + t.error;
            EXPECT_EQ(0u, p.err.find(want)) << c.name << ": got '" << p.err << "', want '" << want
                                            << "'";
        }
        EXPECT_EQ(show(std::string("a\n")), show(readFileIfAny(victim))) << c.name;
        EXPECT_FALSE(readFileIfAny(dir.file("nowhere"))) << c.name << ": created through a link";
        EXPECT_TRUE(S_ISLNK(lstatOf(dir.file("link")).st_mode)) << c.name;
        EXPECT_EQ(NONE, dir.namesEnding(".tmp")) << c.name;
    }
}

TEST(FileStr, LockFailure) {
    TempDir dir;
    std::string path = dir.write("f", "a\n");
    child_test::ChildOutput child = child_test::runInChild([&] {
        // A read-only lock directory in a mount namespace of the child's own.
        if (unshare(CLONE_NEWNS) != 0 ||
            mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            mount("tmpfs", quarn::LOCK_FILES_DIR, "tmpfs", MS_RDONLY, "mode=0755") != 0)
            std::_Exit(90);
        std::_Exit(file_str(path.c_str(), "b", FILE_STR_ADD, 1));
    });
    EXPECT_EQ(1, child.exitStatus);
    std::string want = "Error occurred while locking the file " + path + ": Read-only file system\n";
    EXPECT_NE(std::string::npos, child.err.find(want)) << "got '" << child.err << "'";
    EXPECT_EQ(show(std::string("a\n")), show(readFileIfAny(path)));
}

// A small file system of its own on `dir`, unmounted when the guard goes.
std::shared_ptr<void> smallFs(const std::string& dir, const char* size) {
    if (mount("tmpfs", dir.c_str(), "tmpfs", 0, (std::string("size=") + size).c_str()) != 0)
        throw std::runtime_error("mount tmpfs: " + std::string(std::strerror(errno)));
    return std::shared_ptr<void>(nullptr, [dir](void*) { umount2(dir.c_str(), MNT_DETACH); });
}

// A line that cannot be written ends the process, without a ".tmp" left.
TEST(FileStr, FullDiskDuringRewrite) {
    TempDir dir;
    auto fs = smallFs(dir.path(), "16k");
    std::string content;
    for (int i = 0; i < 1200; ++i)
        content += "line " + std::to_string(1000 + i) + "\n";  // 12000 bytes: 3 of 4 pages
    std::string path = dir.write("f", content);
    child_test::ChildOutput child = child_test::runInChild(
        [&] { std::_Exit(file_str(path.c_str(), "new", FILE_STR_ADD, 0) == 0 ? 0 : 20); });
    EXPECT_EQ(1, child.exitStatus);
    std::string want = "cannot write a line to " + path + ".tmp\nSystem error ";
    EXPECT_EQ(0u, child.err.find(want)) << "got '" << child.err << "'";
    EXPECT_TRUE(readFileIfAny(path) == content) << "the file changed";
    EXPECT_EQ(NONE, dir.namesEnding(".tmp"));
}

// An append that does not fit leaves no part of its line.
TEST(FileStr, FullDiskDuringAppend) {
    TempDir dir;
    auto fs = smallFs(dir.path(), "16k");
    std::string content = std::string(16384 - 3, 'x') + "\n";
    std::string path = dir.write("f", content);
    Printed p = printedBy([&] { return file_str(path.c_str(), "0123456789", FILE_STR_ADD, 1); });
    EXPECT_EQ(1, p.rc);
    std::string want = "Unable to close file " + path + ": No space left on device\n";
    EXPECT_EQ(0u, p.err.find(want)) << "got '" << p.err << "'";
    EXPECT_EQ(content.size(), testsupport::readFile(path).size()) << "a piece of the line stayed";
}

// Two processes append, prepend and remove lines of their own in one file
// at once, and a third rewrites it as the table writers do, under the path
// lock; the lock makes every change see the one before, so none is lost.
TEST(FileStr, ThreeWritersLoseNoLine) {
    TempDir dir;
    std::string path = dir.write("f", "");
    const int rounds = 150;
    std::vector<int> statuses = testsupport::runInChildren(3, [&](int who) {
        int failures = 0;
        for (int i = 0; i < rounds; ++i) {
            std::string keep = "keep " + std::to_string(who) + " " + std::to_string(i);
            std::string drop = "drop " + std::to_string(who) + " " + std::to_string(i);
            if (who == 2) {
                quarn::MKLock lock(path);
                std::string text = readFileIfAny(path).value_or("");
                std::ofstream(path, std::ios::trunc) << text << keep << "\n";
                continue;
            }
            failures += file_str(path.c_str(), keep.c_str(), FILE_STR_ADD, 1);
            failures += file_str(path.c_str(), drop.c_str(), FILE_STR_ADD, i % 2);
            failures += file_str(path.c_str(), drop.c_str(), FILE_STR_REMOVE, 0);
        }
        return failures > 0 ? 1 : 0;
    });
    EXPECT_EQ(std::vector<int>(3, 0), statuses) << "exit statuses: a child had failing calls";
    std::multiset<std::string> got, want;
    std::istringstream lines(readFileIfAny(path).value_or(""));
    for (std::string line; std::getline(lines, line);)
        got.insert(line);
    for (int who = 0; who < 3; ++who)
        for (int i = 0; i < rounds; ++i)
            want.insert("keep " + std::to_string(who) + " " + std::to_string(i));
    EXPECT_EQ(want.size(), got.size());
    EXPECT_TRUE(want == got) << "lines lost, doubled or left over";
    EXPECT_EQ(NONE, dir.namesEnding(".tmp"));
}

}  // namespace
