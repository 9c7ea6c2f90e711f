// Recursive sizes of files and directory trees. (A relative path is the
// storage's own use: "@attachments" of the home it is in.)
#include "mail/lib/quota/get_dir_size.h"

#include <sys/stat.h>
#include <unistd.h>

#include <boost/filesystem.hpp>

#include <cerrno>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"
#include "tests/unit/quota/maildir_tree.h"

namespace {

using namespace maildir_tree;
namespace fs = boost::filesystem;

/// A tree with dot-files, a nested dot-directory, a sparse file and links
/// to a big file and a big directory outside it.
struct Tree {
    testsupport::TempDir dir;
    std::string top = dir.file("tree");
    // Every path once, the links as links.
    std::string paths[10] = {"",           "/a",           "/.hidden", "/sub",
                             "/sub/b",     "/sub/.deep",   "/sub/.deep/c",
                             "/sparse",    "/link-to-file", "/sub/link-to-dir"};
    Tree() {
        fs::create_directories(top + "/sub/.deep");
        putFile(top + "/a", 100);
        putFile(top + "/.hidden", 50);
        putFile(top + "/sub/b", 1000);
        putFile(top + "/sub/.deep/c", 7);
        { std::ofstream(top + "/sparse"); }
        fs::resize_file(top + "/sparse", 10 * 1024 * 1024);
        fs::create_directories(dir.file("outside"));
        putFile(dir.file("outside/big"), 1024 * 1024);
        fs::create_symlink(dir.file("outside/big"), top + "/link-to-file");
        fs::create_symlink(dir.file("outside"), top + "/sub/link-to-dir");
    }
    // What each mode must count.
    sizequota_t expected(bool blocks) const {
        sizequota_t sum = 0;
        for (const std::string& p : paths) {
            struct stat st = statOf(top + p);
            sum += blocks ? st.st_blocks * 512 : st.st_size;
        }
        return sum;
    }
};

TEST(GetDirSize, BytesAndBlocksOfATree) {
    Tree t;
    std::string before = cwd();
    sizequota_t bytes = get_dir_size(t.top.c_str(), 0);
    sizequota_t blocks = get_dir_size(t.top.c_str(), 1);
    EXPECT_EQ(t.expected(false), bytes) << "got " << bytes << ", want " << t.expected(false);
    EXPECT_EQ(t.expected(true), blocks) << "got " << blocks << ", want " << t.expected(true);
    EXPECT_LT(bytes, 11 * 1024 * 1024) << "links are not followed";
    EXPECT_LT(blocks, 1024 * 1024) << "a sparse file counts by its blocks";
    EXPECT_EQ(before, cwd());
}

TEST(GetDirSize, FileLinkAndMissingPath) {
    Tree t;
    const std::string link = t.top + "/link-to-file";
    const struct {
        std::string path;
        sizequota_t want;
    } cases[] = {{t.top + "/a", 100}, {link, statOf(link).st_size}, {t.dir.file("none"), -1}};
    for (const auto& c : cases) {
        EXPECT_EQ(c.want, get_dir_size(c.path.c_str(), 0)) << c.path;
        if (c.want < 0) {
            EXPECT_EQ(ENOENT, errno) << c.path;
        }
    }
}

}  // namespace
