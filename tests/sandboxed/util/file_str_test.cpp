// Line editing of small files under the path lock: every action and position,
// long lines, owner and mode, the temporary file, refused targets and two
// processes editing one file at once.
#include "lib/util/file_str.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "lib/util/mk_lock.h"
#include "tests/support/file_text.h"
#include "tests/support/printed.h"
#include "tests/support/temp_dir.h"
#include "tests/unit/process/child_output.h"

namespace {

using testsupport::Printed;
using testsupport::printedBy;

using testsupport::TempDir;

using testsupport::readFileIfAny;
using testsupport::show;

// Names in the directory that end in ".tmp".
std::vector<std::string> tmpFiles(const std::string& dir) {
    std::vector<std::string> found;
    DIR* d = opendir(dir.c_str());
    if (!d)
        return found;
    while (const dirent* e = readdir(d)) {
        std::string name = e->d_name;
        if (name.size() >= 4 && name.compare(name.size() - 4, 4, ".tmp") == 0)
            found.push_back(name);
    }
    closedir(d);
    return found;
}

struct stat lstatOf(const std::string& path) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0)
        ADD_FAILURE() << "lstat " << path << ": " << std::strerror(errno);
    return st;
}

const passwd& popuser() {
    static const passwd* pw = getpwnam("popuser");
    if (!pw)
        throw std::runtime_error("no user popuser");
    return *pw;
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
        const char* message;  // part of what a failure prints, may be null
    } cases[] = {
        {"equal drops both and keeps the longer line", "a\nab\na\nb\n", "a", 1, 0, 0,
         "ab\nb\n", nullptr},
        {"equal ignores the position", "a\nb\n", "a", 1, 2, 0, "b\n", nullptr},
        {"equal with its own line feed", "a\nb\na\n", "a\n", 1, 0, 0, "b\n", nullptr},
        {"equal also the last line without feed", "x\na", "a", 1, 0, 0, "x\n", nullptr},
        {"equal keeps a line with a blank more", "a \n a\na\n", "a", 1, 0, 0, "a \n a\n",
         nullptr},
        {"equal finds nothing", "a\nb\n", "z", 1, 0, 0, "a\nb\n", nullptr},
        {"equal on an empty file", "", "a", 1, 0, 0, "", nullptr},
        {"prefix k", "k=1\nk\nxk=1\n", "k", 2, 0, 0, "xk=1\n", nullptr},
        {"prefix with its own line feed", "k=1\nxk\n", "k\n", 2, 0, 0, "xk\n", nullptr},
        {"suffix", "a.com\nb.org\ncom\nx.com.au\n.com\n", ".com", 2, 1, 0,
         "b.org\ncom\nx.com.au\n", nullptr},
        {"suffix of the last line without feed", "b.org\na.com", ".com", 2, 1, 0, "b.org\n",
         nullptr},
        {"contains", "abc\nxbx\nb\nc\n", "b", 2, 2, 0, "c\n", nullptr},
        {"contains does not join two lines", "ab\ncd\n", "bc", 2, 2, 0, "ab\ncd\n", nullptr},
        {"prepend", "b\nc\n", "a", 0, 0, 0, "a\nb\nc\n", nullptr},
        {"prepend with its own line feed", "b\n", "a\n", 0, 0, 0, "a\nb\n", nullptr},
        {"prepend keeps a duplicate", "a\n", "a", 0, 0, 0, "a\na\n", nullptr},
        {"prepend to an empty file", "", "a", 0, 0, 0, "a\n", nullptr},
        {"append", "a\n", "b", 0, 1, 0, "a\nb\n", nullptr},
        {"append with its own line feed", "a\n", "b\n", 0, 1, 0, "a\nb\n", nullptr},
        {"append creates a missing file", none, "a", 0, 1, 0, "a\n", nullptr},
        {"remove from a missing file fails silently", none, "a", 1, 0, 1, none, nullptr},
        {"prefix removal from a missing file", none, "a", 2, 0, 1, none, "Unable to open file "},
        {"prepend to a missing file", none, "a", 0, 0, 1, none, "Unable to open file "},
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
        int got = -1;
        Printed p = printedBy([&] { got = file_str(path.c_str(), c.text, c.action, c.position); });
        EXPECT_EQ(c.want, got) << c.name;
        EXPECT_EQ(show(c.after), show(readFileIfAny(path))) << c.name;
        EXPECT_EQ(std::vector<std::string>(), tmpFiles(dir.path())) << c.name;
        if (c.message) {
            EXPECT_NE(std::string::npos, p.err.find(c.message))
                << c.name << ": got '" << p.err << "', want '" << c.message << "'";
        } else {
            EXPECT_EQ("", p.err + p.out) << c.name << ": nothing should be printed";
        }
    }
}

TEST(FileStr, OpenFailureNamesTheFile) {
    TempDir dir;
    std::string path = dir.file("missing");
    Printed p = printedBy([&] { file_str(path.c_str(), "a", FILE_STR_ADD, 0); });
    std::string want = "Unable to open file " + path + ": No such file or directory\n";
    EXPECT_EQ(0u, p.err.find(want)) << "got '" << p.err << "', want it to start with '" << want
                                    << "'";
    EXPECT_EQ(p.err, p.out) << "messlog2 prints on both streams";
}

// Lines longer than the 4095-byte read buffer are compared as a whole.
TEST(FileStr, LongLines) {
    const std::string a5000(5000, 'a');
    const std::string b9000(9000, 'b');
    const std::string straddle = std::string(4090, 'c') + "NEEDLE" + std::string(100, 'c');
    const std::string a4096(4096, 'a');
    const std::string exact = std::string(4094, 'e');  // with its feed exactly one buffer
    const std::string file = a5000 + "END\n" + "short\n" + b9000 + "\n" + straddle + "\n" +
                             a4096 + "\n" + exact + "\nlast\n";
    struct Case {
        const char* name;
        std::string text;
        int action;
        int position;
        std::string after;
    } cases[] = {
        {"equal long line", a5000 + "END", 1, 0,
         "short\n" + b9000 + "\n" + straddle + "\n" + a4096 + "\n" + exact + "\nlast\n"},
        {"equal to a first piece only", std::string(4095, 'a'), 1, 0, file},
        {"equal to the line of one buffer", exact, 1, 0,
         a5000 + "END\nshort\n" + b9000 + "\n" + straddle + "\n" + a4096 + "\nlast\n"},
        {"suffix in a later piece", "END", 2, 1,
         "short\n" + b9000 + "\n" + straddle + "\n" + a4096 + "\n" + exact + "\nlast\n"},
        {"suffix of a first piece only", std::string(10, 'a'), 2, 1,
         a5000 + "END\nshort\n" + b9000 + "\n" + straddle + "\n" + exact + "\nlast\n"},
        {"prefix of the long lines", "aaa", 2, 0,
         "short\n" + b9000 + "\n" + straddle + "\n" + exact + "\nlast\n"},
        {"contains across the buffer border", "NEEDLE", 2, 2,
         a5000 + "END\nshort\n" + b9000 + "\n" + a4096 + "\n" + exact + "\nlast\n"},
        {"prefix after a long line", "last", 2, 0,
         a5000 + "END\nshort\n" + b9000 + "\n" + straddle + "\n" + a4096 + "\n" + exact + "\n"},
        {"prepend keeps long lines whole", "first", 0, 0, "first\n" + file},
    };
    for (const Case& c : cases) {
        TempDir dir;
        std::string path = dir.write("f", file);
        EXPECT_EQ(0, file_str(path.c_str(), c.text.c_str(), c.action, c.position)) << c.name;
        std::optional<std::string> got = readFileIfAny(path);
        ASSERT_TRUE(got) << c.name;
        EXPECT_TRUE(*got == c.after) << c.name << ": got " << got->size() << " bytes, want "
                                     << c.after.size();
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
        {"remove matching", 0640, FILE_STR_REMOVE_MATCHING, 2, "b\n"},
        {"prepend", 0640, FILE_STR_ADD, 0, "a\na\nb\n"},
        {"append", 0640, FILE_STR_ADD, 1, "a\nb\na\n"},
        // chown clears the set-user-id bit, so the mode must come after it
        {"remove, set-user-id", 04750, FILE_STR_REMOVE, 0, "b\n"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        std::string path = dir.write("f", "a\nb\n");
        ASSERT_EQ(0, chown(path.c_str(), popuser().pw_uid, popuser().pw_gid));
        ASSERT_EQ(0, chmod(path.c_str(), c.mode));
        struct stat before = lstatOf(path);
        EXPECT_EQ(0, file_str(path.c_str(), "a", c.action, c.position)) << c.name;
        EXPECT_EQ(show(std::string(c.after)), show(readFileIfAny(path))) << c.name;
        struct stat after = lstatOf(path);
        EXPECT_EQ(popuser().pw_uid, after.st_uid) << c.name;
        EXPECT_EQ(popuser().pw_gid, after.st_gid) << c.name;
        EXPECT_EQ(c.mode, after.st_mode & 07777)
            << c.name << ": got mode " << std::oct << (after.st_mode & 07777) << ", want "
            << c.mode;
        bool rewritten = !(c.action == FILE_STR_ADD && c.position == 1);
        EXPECT_EQ(rewritten, after.st_ino != before.st_ino) << c.name << ": replaced";
        EXPECT_EQ(std::vector<std::string>(), tmpFiles(dir.path())) << c.name;
    }
}

// A ".tmp" left at the path, or a link planted there, is replaced, never
// written through.
TEST(FileStr, StaleOrPlantedTemporaryFile) {
    TempDir dir;
    std::string path = dir.write("f", "a\nb\n");
    std::string victim = dir.write("victim", "secret\n");
    ASSERT_EQ(0, symlink(victim.c_str(), (path + ".tmp").c_str()));
    EXPECT_EQ(0, file_str(path.c_str(), "a", FILE_STR_REMOVE, 0));
    EXPECT_EQ(show(std::string("b\n")), show(readFileIfAny(path)));
    EXPECT_EQ(show(std::string("secret\n")), show(readFileIfAny(victim)));
    EXPECT_EQ(std::vector<std::string>(), tmpFiles(dir.path()));

    dir.write("f.tmp", "stale\n");
    EXPECT_EQ(0, file_str(path.c_str(), "c", FILE_STR_ADD, 0));
    EXPECT_EQ(show(std::string("c\nb\n")), show(readFileIfAny(path)));
    EXPECT_EQ(std::vector<std::string>(), tmpFiles(dir.path()));
}

TEST(FileStr, TemporaryFileCannotBeMade) {
    TempDir dir;
    std::string path = dir.write("f", "a\nb\n");
    std::string tmp = path + ".tmp";
    ASSERT_EQ(0, mkdir(tmp.c_str(), 0700));
    ASSERT_EQ(0, mkdir((tmp + "/inside").c_str(), 0700));
    int got = -1;
    Printed p = printedBy([&] { got = file_str(path.c_str(), "a", FILE_STR_REMOVE, 0); });
    EXPECT_EQ(1, got);
    EXPECT_EQ(show(std::string("a\nb\n")), show(readFileIfAny(path)));
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
        {"remove", FILE_STR_REMOVE, 0},
        {"remove matching", FILE_STR_REMOVE_MATCHING, 2},
        {"prepend", FILE_STR_ADD, 0},
        {"append", FILE_STR_ADD, 1},
    };
    for (const Case& c : actions) {
        TempDir dir;
        std::string victim = dir.write("victim", "a\n");
        std::string link = dir.file("link");
        std::string dangling = dir.file("dangling");
        std::string hard = dir.file("hard");
        std::string fifo = dir.file("fifo");
        std::string sub = dir.file("sub");
        ASSERT_EQ(0, symlink(victim.c_str(), link.c_str()));
        ASSERT_EQ(0, symlink(dir.file("nowhere").c_str(), dangling.c_str()));
        ASSERT_EQ(0, ::link(victim.c_str(), hard.c_str()));
        ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
        ASSERT_EQ(0, mkdir(sub.c_str(), 0700));
        struct Target {
            std::string path;
            const char* error;
        } targets[] = {
            {link, "Too many levels of symbolic links"},
            {dangling, "Too many levels of symbolic links"},
            {hard, "Too many links"},
            {fifo, "Invalid argument"},
            {sub, "Is a directory"},
        };
        for (const Target& t : targets) {
            int got = -1;
            Printed p = printedBy([&] { got = file_str(t.path.c_str(), "a", c.action, c.position); });
            EXPECT_EQ(1, got) << c.name << " " << t.path;
            std::string want = "file_str: Unable to stat file " + t.path + ": " + t.error;
            EXPECT_EQ(0u, p.err.find(want)) << c.name << ": got '" << p.err << "', want '" << want
                                            << "'";
        }
        EXPECT_EQ(show(std::string("a\n")), show(readFileIfAny(victim))) << c.name;
        EXPECT_FALSE(readFileIfAny(dir.file("nowhere"))) << c.name << ": created through a link";
        EXPECT_TRUE(S_ISLNK(lstatOf(link).st_mode)) << c.name;
        EXPECT_EQ(std::vector<std::string>(), tmpFiles(dir.path())) << c.name;
    }
}

// file_str waits for the lock that the table writers take on the same path.
TEST(FileStr, WaitsForThePathLock) {
    TempDir dir;
    std::string path = dir.write("f", "");
    int ready[2];
    ASSERT_EQ(0, pipe(ready));
    pid_t pid = fork();
    if (pid == 0) {
        quarn::MKLock lock(path);
        char c = 'x';
        if (write(ready[1], &c, 1) != 1)
            _exit(2);
        usleep(300 * 1000);
        std::ofstream(path, std::ios::app) << "holder\n";
        _exit(0);
    }
    close(ready[1]);
    char c;
    ASSERT_EQ(1, read(ready[0], &c, 1));
    close(ready[0]);
    EXPECT_EQ(0, file_str(path.c_str(), "waiter", FILE_STR_ADD, 1));
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_EQ(0, status);
    EXPECT_EQ(show(std::string("holder\nwaiter\n")), show(readFileIfAny(path)))
        << "the line was written while the lock was held elsewhere";
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
    std::string want =
        "Error occurred while locking the file " + path + ": Read-only file system\n";
    EXPECT_NE(std::string::npos, child.err.find(want)) << "got '" << child.err << "'";
    EXPECT_EQ(show(std::string("a\n")), show(readFileIfAny(path)));
}

// A small file system of its own, unmounted again at the end.
class SmallFs {
public:
    SmallFs(const std::string& dir, const char* size) : dir_(dir) {
        std::string options = std::string("size=") + size;
        if (mount("tmpfs", dir_.c_str(), "tmpfs", 0, options.c_str()) != 0)
            throw std::runtime_error("mount tmpfs: " + std::string(std::strerror(errno)));
    }
    ~SmallFs() { umount2(dir_.c_str(), MNT_DETACH); }
    SmallFs(const SmallFs&) = delete;
    SmallFs& operator=(const SmallFs&) = delete;

private:
    std::string dir_;
};

// A line that cannot be written ends the process, without a ".tmp" left.
TEST(FileStr, FullDiskDuringRewrite) {
    TempDir dir;
    SmallFs fs(dir.path(), "16k");
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
    EXPECT_EQ(std::vector<std::string>(), tmpFiles(dir.path()));
}

// An append that does not fit leaves no part of its line.
TEST(FileStr, FullDiskDuringAppend) {
    TempDir dir;
    SmallFs fs(dir.path(), "16k");
    std::string content(16384 - 3, 'x');
    content += "\n";
    std::string path = dir.write("f", content);
    int got = -1;
    Printed p = printedBy([&] { got = file_str(path.c_str(), "0123456789", FILE_STR_ADD, 1); });
    EXPECT_EQ(1, got);
    std::string want = "Unable to close file " + path + ": No space left on device\n";
    EXPECT_EQ(0u, p.err.find(want)) << "got '" << p.err << "'";
    std::optional<std::string> after = readFileIfAny(path);
    ASSERT_TRUE(after);
    EXPECT_EQ(content.size(), after->size()) << "a piece of the line stayed";
}

// Two processes append, prepend and remove lines of their own in one file
// at once; the lock makes every change see the one before, so none is lost.
TEST(FileStr, TwoProcessesLoseNoLine) {
    TempDir dir;
    std::string path = dir.write("f", "");
    const int rounds = 150;
    std::vector<pid_t> children;
    for (int who = 0; who < 2; ++who) {
        pid_t pid = fork();
        if (pid == 0) {
            int failures = 0;
            for (int i = 0; i < rounds; ++i) {
                std::string keep = "keep " + std::to_string(who) + " " + std::to_string(i);
                std::string drop = "drop " + std::to_string(who) + " " + std::to_string(i);
                failures += file_str(path.c_str(), keep.c_str(), FILE_STR_ADD, 1);
                failures += file_str(path.c_str(), drop.c_str(), FILE_STR_ADD, i % 2);
                failures += file_str(path.c_str(), drop.c_str(), FILE_STR_REMOVE, 0);
            }
            _exit(failures > 0 ? 1 : 0);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = -1;
        waitpid(pid, &status, 0);
        EXPECT_EQ(0, status) << "a child had failing calls";
    }
    std::optional<std::string> text = readFileIfAny(path);
    ASSERT_TRUE(text);
    std::multiset<std::string> got;
    std::istringstream lines(*text);
    for (std::string line; std::getline(lines, line);)
        got.insert(line);
    std::multiset<std::string> want;
    for (int who = 0; who < 2; ++who)
        for (int i = 0; i < rounds; ++i)
            want.insert("keep " + std::to_string(who) + " " + std::to_string(i));
    EXPECT_EQ(want.size(), got.size());
    EXPECT_TRUE(want == got) << "lines lost, doubled or left over";
    EXPECT_EQ(std::vector<std::string>(), tmpFiles(dir.path()));
}

}  // namespace
