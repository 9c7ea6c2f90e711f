// Line editing of small files under the path lock: every action and
// position, lines longer than the read buffer, texts of more than one line;
// and what file_str keeps safe: owner and mode, the temporary file, refused
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

TEST(FileStr, ActionsAndPositions) {
    const std::optional<std::string> none;
    struct Case {
        const char* name;
        std::optional<std::string> before;  // nothing: no file
        const char* text;
        int action;
        int position;
        int want;
        std::optional<std::string> after;
        const char* message = nullptr;  // part of what a failure prints (%s: the path)
    } cases[] = {
        {"equal drops both and keeps the longer line", "a\nab\na\nb\n", "a", 1, 0, 0, "ab\nb\n"},
        {"equal ignores the position", "a\nb\n", "a", 1, 2, 0, "b\n"},
        {"equal with its own line feed", "a\nb\na\n", "a\n", 1, 0, 0, "b\n"},
        {"equal also the last line without feed", "x\na", "a", 1, 0, 0, "x\n"},
        {"equal keeps a line with a blank more", "a \n a\na\n", "a", 1, 0, 0, "a \n a\n"},
        {"equal on an empty file", "", "a", 1, 0, 0, ""},
        {"prefix k", "k=1\nk\nxk=1\n", "k", 2, 0, 0, "xk=1\n"},
        {"prefix with its own line feed", "k=1\nxk\n", "k\n", 2, 0, 0, "xk\n"},
        {"suffix", "a.com\nb.org\ncom\nx.com.au\n.com\n", ".com", 2, 1, 0, "b.org\ncom\nx.com.au\n"},
        {"suffix of the last line without feed", "b.org\na.com", ".com", 2, 1, 0, "b.org\n"},
        {"contains", "abc\nxbx\nb\nc\n", "b", 2, 2, 0, "c\n"},
        {"contains does not join two lines", "ab\ncd\n", "bc", 2, 2, 0, "ab\ncd\n"},
        {"prepend", "b\nc\n", "a", 0, 0, 0, "a\nb\nc\n"},
        {"prepend keeps a duplicate", "a\n", "a", 0, 0, 0, "a\na\n"},
        {"prepend to an empty file", "", "a", 0, 0, 0, "a\n"},
        {"append", "a\n", "b", 0, 1, 0, "a\nb\n"},
        {"append with its own line feed", "a\n", "b\n", 0, 1, 0, "a\nb\n"},
        {"append creates a missing file", none, "a", 0, 1, 0, "a\n"},
        {"remove from a missing file fails silently", none, "a", 1, 0, 1, none},
        {"prefix removal from a missing file", none, "a", 2, 0, 1, none,
         "Unable to open file %s: No such file or directory\n"},
        {"prepend to a missing file", none, "a", 0, 0, 1, none,
         "Unable to open file %s: No such file or directory\n"},
        {"unknown action", "a\n", "a", 3, 0, 1, "a\n", "file_str: invalid arguments"},
        {"unknown matching position", "a\n", "a", 2, 3, 1, "a\n", "file_str: invalid arguments"},
        {"unknown add position", "a\n", "a", 0, 2, 1, "a\n", "file_str: invalid arguments"},
        {"empty text", "a\n", "", 1, 0, 1, "a\n", "file_str: invalid arguments"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        std::string path = dir.file("f");
        if (c.before)
            dir.write("f", *c.before);
        Printed p = printedBy([&] { return file_str(path.c_str(), c.text, c.action, c.position); });
        EXPECT_EQ(c.want, p.rc) << c.name;
        EXPECT_EQ(show(c.after), show(readFileIfAny(path))) << c.name;
        EXPECT_EQ(NONE, dir.namesEnding(".tmp")) << c.name;
        if (c.message) {
            std::string want = c.message;
            if (want.find("%s") != std::string::npos)
                want.replace(want.find("%s"), 2, path);
            EXPECT_NE(std::string::npos, p.err.find(want))
                << c.name << ": got '" << p.err << "', want '" << want << "'";
        } else {
            EXPECT_EQ("", p.err + p.out) << c.name << ": nothing should be printed";
        }
    }
}

// Lines longer than the 4095-byte read buffer are compared as a whole.
TEST(FileStr, LongLines) {
    const std::string a5000(5000, 'a');
    const std::vector<std::string> lines = {
        a5000 + "END", "short", std::string(9000, 'b'),
        std::string(4090, 'c') + "NEEDLE" + std::string(100, 'c'), std::string(4096, 'a'),
        std::string(4094, 'e'),  // with its feed exactly one buffer
        "last"};
    // The file with a first line added and the lines numbered in `gone` left out.
    auto fileWith = [&lines](const std::string& first, std::set<size_t> gone) {
        std::string text = first;
        for (size_t i = 0; i < lines.size(); ++i)
            text += gone.count(i) ? "" : lines[i] + "\n";
        return text;
    };
    struct Case {
        const char* name;
        std::string text;
        int action;
        int position;
        std::set<size_t> gone;
        std::string first;
    } cases[] = {
        {"equal long line", a5000 + "END", 1, 0, {0}, ""},
        {"equal to a first piece only", std::string(4095, 'a'), 1, 0, {}, ""},
        {"equal to the line of one buffer", lines[5], 1, 0, {5}, ""},
        {"suffix in a later piece", "END", 2, 1, {0}, ""},
        {"suffix of a first piece only", std::string(10, 'a'), 2, 1, {4}, ""},
        {"prefix of the long lines", "aaa", 2, 0, {0, 4}, ""},
        {"contains across the buffer border", "NEEDLE", 2, 2, {3}, ""},
        {"prefix after a long line", "last", 2, 0, {6}, ""},
        {"prepend keeps long lines whole", "first", 0, 0, {}, "first\n"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        std::string path = dir.write("f", fileWith("", {}));
        EXPECT_EQ(0, file_str(path.c_str(), c.text.c_str(), c.action, c.position)) << c.name;
        std::optional<std::string> got = readFileIfAny(path);
        std::string want = fileWith(c.first, c.gone);
        ASSERT_TRUE(got) << c.name;
        EXPECT_TRUE(*got == want) << c.name << ": got " << got->size() << " bytes, want "
                                  << want.size();
    }
}

// A text with a line feed inside is refused for every action before the
// file is touched; one at the end only is the line's own (above).
TEST(FileStr, TextWithALineFeedInsideIsRefused) {
    TempDir dir;
    const std::string path = dir.file(".qmail");
    const std::string before = "| true\n&a@b.test\n";
    const struct {
        int action, position;
    } calls[] = {{FILE_STR_ADD, 0}, {FILE_STR_ADD, 1}, {FILE_STR_REMOVE, 0},
                 {FILE_STR_REMOVE_MATCHING, 0}, {FILE_STR_REMOVE_MATCHING, 2}};
    for (const char* text : {"&x@y.test\n| touch /evil", "\n| true", "a\n\n"}) {
        for (const auto& call : calls) {
            dir.write(".qmail", before);
            Printed p = printedBy(
                [&] { return file_str(path.c_str(), text, call.action, call.position); });
            EXPECT_EQ(1, p.rc) << "action " << call.action << " position " << call.position;
            EXPECT_EQ(show(before), show(readFileIfAny(path)));
            EXPECT_EQ(NONE, dir.namesEnding(".tmp"));
        }
    }
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
