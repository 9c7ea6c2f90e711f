// Attachments of mailnames in the sandbox's mail tree: listing in bytes and
// in blocks, full names, every mailname of a domain, adding and removing,
// and the names and source files that are refused.
#include "mail/lib/files/attachments.h"
#include "mail/lib/files/attachments_list.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include <boost/filesystem.hpp>
#include <gtest/gtest.h>

#include "mail/lib/storage/maildir_manager.h"
#include "tests/sandboxed/tree/tree_attack.h"
#include "tests/support/file_text.h"
#include "tests/support/printed.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = boost::filesystem;
using quarn::mail::MaildirManager;
using testsupport::printedBy;
using testsupport::readFile;

const std::string D = "attach.test";
const std::string DROOT = "/var/qmail/mailnames/" + D;
const std::string STORE = DROOT + "/joe/@attachments";

/// The allocated size of a file as the listing in blocks gives it.
long long allocated(const std::string& path) {
    struct stat st {};
    lstat(path.c_str(), &st);
    return static_cast<long long>(st.st_blocks) * 512;
}

/// Lines of a text, sorted: directory order is the file system's.
std::vector<std::string> sortedLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    std::sort(lines.begin(), lines.end());
    return lines;
}

/// joe with an attachments store, ann without one.
class Attachments : public ::testing::Test {
protected:
    void SetUp() override {
        fs::remove_all(DROOT);
        MaildirManager::getInstance().createDomainRoot(D);
        MaildirManager::getInstance().createMailnameHome(D, "joe");
        MaildirManager::getInstance().createMailnameHome(D, "ann");
        fs::remove_all(DROOT + "/ann/@attachments");
    }
    void TearDown() override { fs::remove_all(DROOT); }

    void put(const std::string& name, const std::string& text) {
        std::ofstream(STORE + "/" + name, std::ios::binary) << text;
    }

    testsupport::TempDir dir;
};

TEST_F(Attachments, ListingInBytesAndBlocksWithShortAndFullNames) {
    put("one", "x");
    fs::create_directory(STORE + "/folder");  // directories are not listed
    const std::string full = STORE + "/one";
    struct Case {
        const char* name;
        int blocks, fullPath;
        std::string want;
    } cases[] = {
        {"bytes", 0, 0, "one\t1\n"},
        {"blocks", 1, 0, "one\t" + std::to_string(allocated(full)) + "\n"},
        {"full name", 0, 1, full + "\t1\n"},
        {"full name in blocks", 1, 1, full + "\t" + std::to_string(allocated(full)) + "\n"},
    };
    EXPECT_GE(allocated(full), 512) << "a 1-byte file takes a whole block";
    for (const Case& c : cases) {
        auto p = printedBy([&] { return list_attachments("joe", D.c_str(), c.blocks, c.fullPath); });
        EXPECT_EQ(0, p.rc) << c.name;
        EXPECT_EQ(c.want, p.out) << c.name << ": got " << p.out << ", want " << c.want;
        EXPECT_EQ("", p.err) << c.name;
    }
}

TEST_F(Attachments, ListingAllMailnamesGoesOnPastOneWithoutStore) {
    put("a.txt", "12345");
    put("b.txt", "");
    const std::string missing =
        "Unable to open dir " + DROOT + "/ann/@attachments: No such file or directory\n\n"
        "System error 2: No such file or directory\n";
    auto p = printedBy([] { return list_all_attachments(D.c_str(), 0, 0); });
    EXPECT_EQ(0, p.rc);
    EXPECT_EQ(missing, p.err);
    std::vector<std::string> want = {"", "System error 2: No such file or directory",
                                     "Unable to open dir " + DROOT +
                                         "/ann/@attachments: No such file or directory",
                                     "a.txt\t5", "b.txt\t0"};
    EXPECT_EQ(want, sortedLines(p.out)) << p.out;
}

TEST_F(Attachments, ListingFailures) {
    struct Case {
        const char* name;
        std::function<int()> run;
        std::string message;
    } cases[] = {
        {"mailname without store", [] { return list_attachments("ann", D.c_str(), 0, 0); },
         "Unable to open dir " + DROOT + "/ann/@attachments: No such file or directory\n"},
        {"mailname that is no name", [] { return list_attachments("..", D.c_str(), 0, 0); },
         "Unable to open dir " + DROOT + "/../@attachments: Invalid argument\n"},
        {"missing domain", [] { return list_all_attachments("none.test", 0, 0); },
         "Unable to open dir /var/qmail/mailnames/none.test: No such file or directory\n"},
    };
    for (const Case& c : cases) {
        auto p = printedBy(c.run);
        EXPECT_EQ(-1, p.rc) << c.name;
        EXPECT_EQ(0u, p.err.find(c.message)) << c.name << ": got " << p.err;
    }
    EXPECT_EXIT(list_attachments("", D.c_str(), 0, 0), testing::ExitedWithCode(1),
                "MailName empty for domain 'attach.test'");
}

TEST_F(Attachments, AddGivesPopuserA0644CopyAndReplaces) {
    put("card.vcf", "old");
    std::string source = dir.write("upload", "BEGIN:VCARD\n");
    auto p = printedBy([&] { return add_attachment("joe", D.c_str(), source.c_str(), "card.vcf"); });
    EXPECT_EQ(0, p.rc) << p.err;
    EXPECT_EQ("BEGIN:VCARD\n", readFile(STORE + "/card.vcf"));
    struct stat st {};
    ASSERT_EQ(0, lstat((STORE + "/card.vcf").c_str(), &st));
    EXPECT_EQ(0644u, st.st_mode & 07777);
    EXPECT_EQ(tree_attack::popuserIds().first, st.st_uid);
    EXPECT_EQ(tree_attack::popuserIds().second, st.st_gid);
    EXPECT_EQ(std::vector<std::string>({"card.vcf"}), [] {
        std::vector<std::string> names;
        for (auto& e : fs::directory_iterator(STORE))
            names.push_back(e.path().filename().string());
        return names;
    }()) << "no scratch file is left";
}

TEST_F(Attachments, RemoveOfPresentAndMissingFiles) {
    put("gone", "x");
    for (const char* name : {"gone", "gone", "never"}) {
        auto p = printedBy([&] { return remove_attachment("joe", D.c_str(), name); });
        EXPECT_EQ(0, p.rc) << name;
        EXPECT_EQ("", p.err) << name;
    }
    EXPECT_FALSE(fs::exists(STORE + "/gone"));
    EXPECT_EQ(0, remove_attachment("ann", D.c_str(), "x")) << "no store, nothing to remove";
    fs::create_directory(STORE + "/folder");
    auto p = printedBy([] { return remove_attachment("joe", D.c_str(), "folder"); });
    EXPECT_EQ(-1, p.rc);
    EXPECT_EQ(0u, p.err.find("Unable to delete the attachment file " + STORE + "/folder: "))
        << p.err;
}

TEST_F(Attachments, RefusedNamesAndSourcesChangeNothing) {
    std::string source = dir.write("upload", "data");
    std::string link = dir.file("link");
    symlink(source.c_str(), link.c_str());
    std::string second = dir.file("second");
    ::link(source.c_str(), dir.write("plain", "p").c_str());
    ::link(dir.file("plain").c_str(), second.c_str());
    struct Case {
        const char* name;
        std::string source, attachment;
    } cases[] = {
        {"empty name", source, ""},
        {"dot", source, "."},
        {"dot dot", source, ".."},
        {"slash", source, "../escape"},
        {"control character", source, "a\nb"},
        {"linked source", link, "a"},
        {"source with two names", second, "a"},
        {"missing source", dir.file("none"), "a"},
    };
    const std::string before = tree_attack::snapshot(DROOT);
    for (const Case& c : cases) {
        auto p = printedBy([&] {
            return add_attachment("joe", D.c_str(), c.source.c_str(), c.attachment.c_str());
        });
        EXPECT_EQ(-1, p.rc) << c.name;
        EXPECT_EQ(0u, p.err.find("Unable to copy the attachment file " + c.source + " to " +
                                 STORE + "/" + c.attachment + "\n"))
            << c.name << ": got " << p.err;
        if (c.source == source) {
            auto r = printedBy(
                [&] { return remove_attachment("joe", D.c_str(), c.attachment.c_str()); });
            EXPECT_EQ(-1, r.rc) << c.name;
            EXPECT_EQ("Unable to delete the attachment file " + STORE + "/" + c.attachment +
                          ": Invalid argument\n\nSystem error 22: Invalid argument\n",
                      r.err)
                << c.name;
        }
    }
    EXPECT_EQ(before, tree_attack::snapshot(DROOT));
}

}  // namespace
