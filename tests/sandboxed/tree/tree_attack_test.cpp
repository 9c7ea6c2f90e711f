// Every operation that root makes in the mail tree, run after popuser has
// put a link to a root-owned directory at each depth of a mailname's tree:
// the directory stays exactly as it was and nothing of it is counted.
#include <sys/stat.h>

#include <boost/filesystem.hpp>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <iostream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "mail/lib/quota/get_dir_size.h"
#include "mail/lib/quota/mailbox_size.h"
#include "mail/lib/quota/maildirpp_quota.h"
#include "mail/lib/quota/maildirpp_usage.h"
#include "mail/lib/storage/dot_qmail_manager.h"
#include "mail/lib/storage/maildir_manager.h"
#include "tests/sandboxed/tree/tree_attack.h"
#include "tests/unit/process/child_output.h"

namespace {

namespace fs = boost::filesystem;
using quarn::mail::DotQMailManager;
using quarn::mail::MaildirManager;
using quarn::mail::MaildirPPManager;
using tree_attack::MARKER_SIZE;
using tree_attack::RootTarget;

const std::string ROOT = "/var/qmail/mailnames";
const std::string D = "attack.test";
const std::string DROOT = ROOT + "/" + D;
const std::string HOME = DROOT + "/joe";
const std::string TARGET = "/var/tmp/attack-target";

/// Where popuser puts the link, and where in the target it leads: to the
/// directory of the same role, so that a walk that follows finds its way.
struct Depth {
    const char* name;
    std::string at;
    std::string to;
};

const Depth DEPTHS[] = {
    {"domain root", DROOT, TARGET},
    {"home", HOME, TARGET},
    {"Maildir", HOME + "/Maildir", TARGET + "/Maildir"},
    {"Maildir/tmp", HOME + "/Maildir/tmp", TARGET + "/Maildir/tmp"},
    {"Maildir/cur", HOME + "/Maildir/cur", TARGET + "/Maildir/cur"},
    {"Maildir/new", HOME + "/Maildir/new", TARGET + "/Maildir/new"},
    {"folder", HOME + "/Maildir/.Spam", TARGET + "/Maildir/.Spam"},
    {"@attachments", HOME + "/@attachments", TARGET + "/@attachments"},
    {"maildirsize", HOME + "/Maildir/maildirsize", TARGET + "/Maildir/maildirsize"},
};

MaildirPPManager& storage() { return MaildirManager::getInstance(); }

/// The usage that the tree's own maildirsize records (its lines after the
/// first), 0 when the Maildir is no directory of the tree.
long long recordedUsage() {
    struct stat st;
    const std::string maildir = HOME + "/Maildir";
    if (lstat(maildir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return 0;
    std::ifstream in(maildir + "/maildirsize");
    std::string line;
    long long total = 0, size, count;
    std::getline(in, line);
    while (in >> size >> count)
        total += size + count;
    return total;
}

/// An operation; a reading one returns what it found, others 0.
struct Operation {
    const char* name;
    std::function<long long()> run;
};

long long none(const std::function<void()>& f) {
    f();
    return 0;
}

const Operation OPERATIONS[] = {
    {"create domain root", [] { return none([] { storage().createDomainRoot(D); }); }},
    {"create existing home", [] { return none([] { storage().createMailnameHome(D, "joe"); }); }},
    {"create new home", [] { return none([] { storage().createMailnameHome(D, "sub"); }); }},
    {"rename home", [] { return none([] { storage().renameMailnameHome(D, "joe", "jim"); }); }},
    {"rename new-named home",
     [] { return none([] { storage().renameMailnameHome(D, "sub", "jim"); }); }},
    {"rename domain root",
     [] { return none([] { storage().renameDomainRoot(D, "moved.test"); }); }},
    {"back up home", [] { return none([] { storage().backupMailnameHome(D, "joe"); }); }},
    {"back up new-named home", [] { return none([] { storage().backupMailnameHome(D, "sub"); }); }},
    {"back up domain root", [] { return none([] { storage().backupDomainRoot(D); }); }},
    {"remove home", [] { return none([] { storage().removeMailnameHome(D, "joe"); }); }},
    {"remove new-named home", [] { return none([] { storage().removeMailnameHome(D, "sub"); }); }},
    {"remove domain root", [] { return none([] { storage().removeDomainRoot(D); }); }},
    {".qmail reset", [] { return none([] { DotQMailManager(HOME).reset(); }); }},
    {".qmail delivery on", [] { return none([] { DotQMailManager(HOME).enableDelivery(); }); }},
    {".qmail delivery off", [] { return none([] { DotQMailManager(HOME).disableDelivery(); }); }},
    {".qmail add redirect",
     [] { return none([] { DotQMailManager(HOME).addRedirect("a@b.test"); }); }},
    {".qmail remove redirect",
     [] { return none([] { DotQMailManager(HOME).removeRedirect("a@b.test"); }); }},
    {"set mailbox quota",
     [] {
         storage().setMailboxQuota(D, "joe", 100000);
         return recordedUsage();
     }},
    {"store_mbox_quota",
     [] {
         store_mbox_quota(D.c_str(), "joe", 100000);
         return recordedUsage();
     }},
    {"mailbox size", [] { return static_cast<long long>(get_mbox_size("joe", D.c_str(), 0)); }},
    {"Maildir usage",
     [] {
         sizequota_t size = 0;
         fcount_t count = 0;
         get_maildirpp_usage((HOME + "/Maildir").c_str(), &size, &count);
         return static_cast<long long>(size + count);
     }},
    {"limits read",
     [] {
         sizequota_t size = 0, sizeLimit = 0;
         fcount_t count = 0, countLimit = 0;
         get_maildirpp_usage_and_limits((HOME + "/Maildir").c_str(), 1, &size, &count,
                                        &sizeLimit, &countLimit);
         // The target's own maildirsize has this limit.
         return sizeLimit == tree_attack::MARKER_LIMIT ? static_cast<long long>(MARKER_SIZE) : 0;
     }},
    {"attachments size",
     [] { return static_cast<long long>(get_dir_size((HOME + "/@attachments").c_str(), 0)); }},
};

/// Runs `op` as root in a child (so that an exit of the process is seen
/// too): "returned N", "threw: <text>" or "exited N". `found` gets N.
std::string outcome(const Operation& op, long long& found) {
    const std::string MARK = "\n@outcome ";
    child_test::ChildOutput child = child_test::runInChild([&] {
        std::string text;
        try {
            text = "returned " + std::to_string(op.run());
        } catch (const std::exception& e) {
            text = std::string("threw: ") + e.what();
        }
        std::cout << MARK << text << std::flush;
        std::_Exit(0);  // no destructor of the parent's statics in the child
    });
    std::string::size_type at = child.out.rfind(MARK);
    if (at == std::string::npos)
        return "exited " + std::to_string(child.exitStatus);
    std::string text = child.out.substr(at + MARK.size());
    found = text.rfind("returned ", 0) == 0 ? std::stoll(text.substr(9)) : 0;
    return text;
}

/// A fresh domain with the home joe as the storage makes it.
void freshTree() {
    for (auto& e : fs::directory_iterator(ROOT))
        fs::remove_all(e.path());
    storage().createDomainRoot(D);
    storage().createMailnameHome(D, "joe");
    DotQMailManager(HOME).reset();
    storage().setMailboxQuota(D, "joe", 100000);
}

TEST(TreeAttack, LinkAtEveryDepthLeavesTheTargetAsItWas) {
    RootTarget target(TARGET);
    std::ostringstream report;
    for (const Depth& depth : DEPTHS) {
        for (const Operation& op : OPERATIONS) {
            freshTree();
            tree_attack::plantLink(depth.at, depth.to);
            long long found = 0;
            std::string result = outcome(op, found);
            report << depth.name << " / " << op.name << ": " << result << "\n";
            EXPECT_TRUE(target.unchanged())
                << "link at " << depth.name << ", " << op.name << " (" << result
                << ") changed the target:\n"
                << target.now();
            EXPECT_LT(found, static_cast<long long>(MARKER_SIZE))
                << "link at " << depth.name << ", " << op.name << " counted the target";
            if (!target.unchanged())
                target.reset();
        }
    }
    fs::remove_all(DROOT);
    fs::remove_all(ROOT + "/moved.test");
    // The outcomes, for the reader of a failure: refusals or work inside.
    if (HasFailure() || getenv("TREE_ATTACK_REPORT"))
        std::cout << report.str();
}

}  // namespace
