// What the attachment routines refuse on their own, below the front end's
// name check: names that are not one path component, uploads that are
// links or have a second name, and a directory where a file belongs.
// Listing, adding and removing themselves are proved end to end.
#include "mail/lib/files/attachments.h"
#include "mail/lib/files/attachments_list.h"

#include <unistd.h>

#include <string>

#include <boost/filesystem.hpp>
#include <gtest/gtest.h>

#include "mail/lib/storage/maildir_manager.h"
#include "tests/sandboxed/tree/tree_attack.h"
#include "tests/support/printed.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = boost::filesystem;
using testsupport::printedBy;

const std::string D = "attach.test";
const std::string DROOT = "/var/qmail/mailnames/" + D;
const std::string STORE = DROOT + "/joe/@attachments";

TEST(Attachments, RefusalsChangeNothing) {
    fs::remove_all(DROOT);
    quarn::mail::MaildirManager::getInstance().createDomainRoot(D);
    quarn::mail::MaildirManager::getInstance().createMailnameHome(D, "joe");
    fs::create_directory(STORE + "/folder");
    testsupport::TempDir dir;
    const std::string source = dir.write("upload", "data");
    const std::string linked = dir.file("link"), twoNames = dir.file("second");
    symlink(source.c_str(), linked.c_str());
    link(dir.write("plain", "p").c_str(), twoNames.c_str());
    struct Case {
        const char* name;
        std::string source, attachment, removeError;
    } cases[] = {
        {"empty name", source, "", "Invalid argument"},
        {"dot", source, ".", "Invalid argument"},
        {"dot dot", source, "..", "Invalid argument"},
        {"slash", source, "../escape", "Invalid argument"},
        {"control character", source, "a\nb", "Invalid argument"},
        {"directory", source, "folder", "Is a directory"},
        {"linked upload", linked, "a", ""},
        {"upload with two names", twoNames, "a", ""},
    };
    const std::string before = tree_attack::snapshot(DROOT);
    for (const Case& c : cases) {
        auto p = printedBy([&] {
            return add_attachment("joe", D.c_str(), c.source.c_str(), c.attachment.c_str());
        });
        std::string want = "Unable to copy the attachment file " + c.source + " to " + STORE +
                           "/" + c.attachment + "\n";
        EXPECT_EQ(-1, p.rc) << c.name;
        EXPECT_EQ(0u, p.err.find(want)) << c.name << ": got " << p.err << ", want " << want;
        if (c.removeError.empty())
            continue;
        auto r = printedBy([&] { return remove_attachment("joe", D.c_str(), c.attachment.c_str()); });
        want = "Unable to delete the attachment file " + STORE + "/" + c.attachment + ": " +
               c.removeError + "\n";
        EXPECT_EQ(-1, r.rc) << c.name;
        EXPECT_EQ(0u, r.err.find(want)) << c.name << ": got " << r.err << ", want " << want;
    }
    EXPECT_EQ(before, tree_attack::snapshot(DROOT));
    auto p = printedBy([] { return list_attachments("..", D.c_str(), 0, 0); });
    EXPECT_EQ(-1, p.rc);
    EXPECT_EQ(0u, p.err.find("Unable to open dir " + DROOT + "/../@attachments: Invalid argument"))
        << p.err;
    EXPECT_EXIT(list_attachments("", D.c_str(), 0, 0), testing::ExitedWithCode(1),
                "MailName empty for domain 'attach.test'");
    fs::remove_all(DROOT);
}

}  // namespace
