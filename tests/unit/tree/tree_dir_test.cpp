// The walk into the tree and the removal below it, on scratch trees: links
// are never followed, names are single components.
#include "mail/lib/tree/tree_dir.h"
#include "mail/lib/tree/tree_removal.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <boost/filesystem.hpp>

#include <cerrno>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"
#include "tests/unit/quota/maildir_tree.h"

namespace {

namespace fs = boost::filesystem;
using quarn::mail::TreeDir;

/// A tree "top" with a link to a directory outside it at every level.
struct Linked {
    testsupport::TempDir dir;
    std::string top = dir.file("top"), outside = dir.file("outside");
    Linked() {
        fs::create_directories(top + "/a/b");
        fs::create_directories(outside + "/inner");
        maildir_tree::putFile(outside + "/marker", 10);
        maildir_tree::putFile(top + "/a/b/file", 10);
        for (const char* at : {"/out", "/a/out", "/a/b/out"})
            fs::create_symlink(outside, top + at);
    }
};

TEST(TreeDir, WalkStopsAtLinksAndRefusesWhatIsNoComponent) {
    Linked t;
    const struct {
        std::string path;
        int error;  // 0: opened
    } cases[] = {
        {t.top + "/a/b", 0},
        {t.top + "/./a//b/", 0},
        {t.top + "/out", ENOTDIR},
        {t.top + "/a/out/inner", ENOTDIR},
        {t.top + "/a/../a", EINVAL},
        {t.top + "/a/b/file", ENOTDIR},
        {t.top + "/none", ENOENT},
        {"", ENOENT},
    };
    for (const auto& c : cases) {
        errno = 0;
        TreeDir d = TreeDir::openPath(c.path);
        EXPECT_EQ(c.error == 0, d.ok()) << c.path;
        if (c.error) {
            EXPECT_EQ(c.error, errno) << c.path;
        }
    }
    TreeDir top = TreeDir::openPath(t.top);
    ASSERT_TRUE(top.ok());
    for (const char* bad : {"", ".", "..", "a/b"}) {
        errno = 0;
        EXPECT_FALSE(top.child(bad).ok()) << bad;
        EXPECT_EQ(EINVAL, errno) << bad;
        EXPECT_EQ(-1, top.makeDir(bad, 0700)) << bad;
        EXPECT_EQ(-1, top.removeTree(bad)) << bad;
    }
}

TEST(TreeRemoval, RemovesLinksNotWhatTheyLeadTo) {
    Linked t;
    TreeDir parent = TreeDir::openPath(t.dir.path());
    ASSERT_TRUE(parent.ok());
    EXPECT_EQ(0, parent.removeTree("top"));
    EXPECT_FALSE(fs::exists(fs::symlink_status(t.top)));
    EXPECT_TRUE(fs::exists(t.outside + "/marker"));
    EXPECT_TRUE(fs::is_directory(t.outside + "/inner"));
    EXPECT_EQ(0, parent.removeTree("top")) << "nothing there is no error";
}

}  // namespace
