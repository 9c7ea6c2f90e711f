// The attachment routines after popuser has put a link to a root-owned
// directory at each name on the way to an attachment, and while popuser
// keeps swapping the attachments directory and the file with such links:
// the target stays exactly as it was and nothing of it is listed.
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <sstream>
#include <string>

#include <boost/filesystem.hpp>
#include <gtest/gtest.h>

#include "mail/lib/files/attachments.h"
#include "mail/lib/files/attachments_list.h"
#include "mail/lib/storage/maildir_manager.h"
#include "tests/sandboxed/tree/tree_attack.h"
#include "tests/support/temp_dir.h"
#include "tests/unit/process/child_output.h"

namespace {

namespace fs = boost::filesystem;
using quarn::mail::MaildirManager;
using tree_attack::RootTarget;

const std::string D = "attach-attack.test";
const std::string DROOT = "/var/qmail/mailnames/" + D;
const std::string HOME = DROOT + "/joe";
const std::string STORE = HOME + "/@attachments";
const std::string TARGET = "/var/tmp/attach-target";

const tree_attack::Depth DEPTHS[] = {
    {"domain root", DROOT, TARGET},
    {"home", HOME, TARGET},
    {"@attachments", STORE, TARGET + "/@attachments"},
    {"attachment file", STORE + "/marker", TARGET + "/@attachments/marker"},
};

struct Operation {
    const char* name;
    std::function<int(const char* source)> run;
};

const Operation OPERATIONS[] = {
    {"list", [](const char*) { return list_attachments("joe", D.c_str(), 0, 1); }},
    {"list in blocks", [](const char*) { return list_attachments("joe", D.c_str(), 1, 0); }},
    {"list all", [](const char*) { return list_all_attachments(D.c_str(), 0, 1); }},
    {"add over", [](const char* s) { return add_attachment("joe", D.c_str(), s, "marker"); }},
    {"add new", [](const char* s) { return add_attachment("joe", D.c_str(), s, "new"); }},
    {"remove", [](const char*) { return remove_attachment("joe", D.c_str(), "marker"); }},
};

/// Runs `op` as root in a child with both output streams caught (an exit
/// of the process is seen too): "rc N" followed by what it printed.
std::string outcome(const Operation& op, const std::string& source) {
    child_test::ChildOutput child = child_test::runInChild([&] {
        std::printf("rc %d\n", op.run(source.c_str()));
        std::fflush(nullptr);
        std::_Exit(0);  // no destructor of the parent's statics in the child
    });
    return child.out + child.err;
}

/// A fresh domain with joe's store holding a small attachment "marker".
void freshTree() {
    fs::remove_all(DROOT);
    fs::remove_all(DROOT + ".moved");
    MaildirManager::getInstance().createDomainRoot(D);
    MaildirManager::getInstance().createMailnameHome(D, "joe");
    std::ofstream(STORE + "/marker") << "own";
}

/// Whether a listing shows one of the target's markers (7777 bytes, two
/// pages in blocks).
bool showsTarget(const std::string& printed) {
    return printed.find("\t7777\n") != std::string::npos ||
           printed.find("\t8192\n") != std::string::npos;
}

TEST(AttachmentsAttack, LinkOnTheWayLeavesTheTargetAsItWas) {
    RootTarget target(TARGET);
    testsupport::TempDir dir;
    const std::string source = dir.write("upload", "new content");
    tree_attack::linkAtEveryDepth(
        target, DEPTHS, OPERATIONS, freshTree,
        [&](const Operation& op) { return outcome(op, source); }, showsTarget);
    fs::remove_all(DROOT);
    fs::remove_all(DROOT + ".moved");
}

TEST(AttachmentsAttack, SwappedStoreAndFileNeverLeadRootOut) {
    RootTarget target("/var/tmp/attach-race-target");
    testsupport::TempDir dir;
    const std::string source = dir.write("upload", "new content");
    freshTree();
    int changed = 0, listed = 0;
    {
        tree_attack::Swapper store(STORE, target.dir() + "/@attachments");
        tree_attack::Swapper file(STORE + "/marker", target.dir() + "/@attachments/marker");
        for (int round = 0; round < 50; ++round) {
            for (const Operation& op : OPERATIONS) {
                if (showsTarget(outcome(op, source)))
                    ++listed;
                if (!target.unchanged()) {
                    ++changed;
                    target.reset();
                }
            }
        }
    }
    EXPECT_EQ(0, changed);
    EXPECT_EQ(0, listed);
    fs::remove_all(DROOT);
}

}  // namespace
