// Line editing of small files under the path lock: every action and
// position, lines longer than the read buffer, and texts of more than one
// line.
#include "lib/util/file_str.h"

#include <optional>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/file_text.h"
#include "tests/support/printed.h"
#include "tests/support/temp_dir.h"

namespace {

using testsupport::Printed;
using testsupport::printedBy;
using testsupport::readFileIfAny;
using testsupport::show;
using testsupport::TempDir;

const std::vector<std::string> NONE;

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

}  // namespace
