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

const tree_attack::Depth DEPTHS[] = {
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

/// What "Maildir usage" finds in the tree.
long long maildirUsage() {
    sizequota_t size = 0;
    fcount_t count = 0;
    get_maildirpp_usage((HOME + "/Maildir").c_str(), &size, &count);
    return static_cast<long long>(size + count);
}

/// What "limits read" finds: MARKER_SIZE when it read the target's limits.
long long limitsRead() {
    sizequota_t size = 0, sizeLimit = 0;
    fcount_t count = 0, countLimit = 0;
    get_maildirpp_usage_and_limits((HOME + "/Maildir").c_str(), 1, &size, &count, &sizeLimit,
                                   &countLimit);
    return sizeLimit == tree_attack::MARKER_LIMIT ? static_cast<long long>(MARKER_SIZE) : 0;
}

/// An operation: what it does, then (a reading one) what it found.
struct Operation {
    const char* name;
    std::function<void()> act;
    std::function<long long()> found;
};

const Operation OPERATIONS[] = {
    {"create domain root", [] { storage().createDomainRoot(D); }, nullptr},
    {"create existing home", [] { storage().createMailnameHome(D, "joe"); }, nullptr},
    {"create new home", [] { storage().createMailnameHome(D, "sub"); }, nullptr},
    {"rename home", [] { storage().renameMailnameHome(D, "joe", "jim"); }, nullptr},
    {"rename new-named home", [] { storage().renameMailnameHome(D, "sub", "jim"); }, nullptr},
    {"rename domain root", [] { storage().renameDomainRoot(D, "moved.test"); }, nullptr},
    {"back up home", [] { storage().backupMailnameHome(D, "joe"); }, nullptr},
    {"back up new-named home", [] { storage().backupMailnameHome(D, "sub"); }, nullptr},
    {"back up domain root", [] { storage().backupDomainRoot(D); }, nullptr},
    {"remove home", [] { storage().removeMailnameHome(D, "joe"); }, nullptr},
    {"remove new-named home", [] { storage().removeMailnameHome(D, "sub"); }, nullptr},
    {"remove domain root", [] { storage().removeDomainRoot(D); }, nullptr},
    {".qmail reset", [] { DotQMailManager(HOME).reset(); }, nullptr},
    {".qmail delivery on", [] { DotQMailManager(HOME).enableDelivery(); }, nullptr},
    {".qmail delivery off", [] { DotQMailManager(HOME).disableDelivery(); }, nullptr},
    {".qmail add redirect", [] { DotQMailManager(HOME).addRedirect("a@b.test"); }, nullptr},
    {".qmail remove redirect", [] { DotQMailManager(HOME).removeRedirect("a@b.test"); }, nullptr},
    {"set mailbox quota", [] { storage().setMailboxQuota(D, "joe", 100000); }, recordedUsage},
    {"store_mbox_quota", [] { store_mbox_quota(D.c_str(), "joe", 100000); }, recordedUsage},
    {"mailbox size", nullptr, [] { return get_mbox_size("joe", D.c_str(), 0); }},
    {"Maildir usage", nullptr, maildirUsage},
    {"limits read", nullptr, limitsRead},
    {"attachments size", nullptr, [] { return get_dir_size((HOME + "/@attachments").c_str(), 0); }},
};

/// Runs `op` as root in a child (so that an exit of the process is seen
/// too): "returned N", "threw: <text>" or "exited N".
std::string outcome(const Operation& op) {
    const std::string MARK = "\n@outcome ";
    child_test::ChildOutput child = child_test::runInChild([&] {
        std::string text;
        try {
            if (op.act)
                op.act();
            text = "returned " + std::to_string(op.found ? op.found() : 0);
        } catch (const std::exception& e) {
            text = std::string("threw: ") + e.what();
        }
        std::cout << MARK << text << std::flush;
        std::_Exit(0);  // no destructor of the parent's statics in the child
    });
    std::string::size_type at = child.out.rfind(MARK);
    if (at == std::string::npos)
        return "exited " + std::to_string(child.exitStatus);
    return child.out.substr(at + MARK.size());
}

/// Whether an outcome found as much as one of the target's markers.
bool countsTarget(const std::string& outcome) {
    return outcome.rfind("returned ", 0) == 0 &&
           std::stoll(outcome.substr(9)) >= static_cast<long long>(MARKER_SIZE);
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
    tree_attack::linkAtEveryDepth(target, DEPTHS, OPERATIONS, freshTree, outcome, countsTarget);
    fs::remove_all(DROOT);
    fs::remove_all(ROOT + "/moved.test");
}

}  // namespace
