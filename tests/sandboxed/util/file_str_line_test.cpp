// file_str takes one line: a text with a line feed inside is refused for
// every action before the file is touched.
#include "lib/util/file_str.h"

#include <sys/stat.h>

#include <string>

#include <gtest/gtest.h>

#include "tests/support/file_text.h"
#include "tests/support/printed.h"
#include "tests/support/temp_dir.h"

namespace {

TEST(FileStrLine, TextWithALineFeedInsideIsRefused) {
    testsupport::TempDir dir;
    const std::string path = dir.file(".qmail");
    const std::string before = "| true\n&a@b.test\n";
    const struct {
        int action, position;
    } calls[] = {{FILE_STR_ADD, 0}, {FILE_STR_ADD, 1}, {FILE_STR_REMOVE, 0},
                 {FILE_STR_REMOVE_MATCHING, 0}, {FILE_STR_REMOVE_MATCHING, 2}};
    for (const char* text : {"&x@y.test\n| touch /evil", "\n| true", "a\n\n"}) {
        for (const auto& call : calls) {
            dir.write(".qmail", before);
            testsupport::Printed p = testsupport::printedBy(
                [&] { return file_str(path.c_str(), text, call.action, call.position); });
            EXPECT_EQ(1, p.rc) << "action " << call.action << " position " << call.position;
            EXPECT_EQ(before, testsupport::readFile(path));
            struct stat st;
            EXPECT_NE(0, lstat((path + ".tmp").c_str(), &st));
        }
    }
    // A line feed at the end only is the line's own: FileStr.ActionsAndPositions.
}

}  // namespace
