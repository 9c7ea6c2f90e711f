// Mailbox quotas under the sandbox's mail root: the header limits Courier's
// own deliverquota obeys, attachments taken off the quota, the domain
// defaults and limits of the panel database. A quota followed by deliveries
// and the mailbox size in bytes and blocks are proved end to end
// (tests/e2e/test_mailbox_life.py).
#include "mail/lib/quota/maildirpp_quota.h"
#include "mail/lib/quota/get_dir_size.h"
#include "mail/lib/quota/mailbox_size.h"
#include "mail/lib/quota/maildirpp_group_quota.h"
#include "mail/lib/quota/maildirpp_usage.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <boost/filesystem.hpp>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/file_text.h"
#include "tests/sandboxed/panel/panel_rows.h"
#include "tests/sandboxed/tree/tree_attack.h"
#include "tests/support/printed.h"
#include "tests/support/temp_dir.h"
#include "tests/unit/quota/maildir_tree.h"

namespace {

using testsupport::Printed;
using testsupport::printedBy;
using maildir_tree::cwd;
using maildir_tree::putFile;

namespace fs = boost::filesystem;
using testsupport::PanelRows;

const std::string ROOT = "/var/qmail/mailnames";

/// A tree handed to popuser, as the mail storage leaves it.
void chownTree(const std::string& top) {
    if (std::system(("chown -hR popuser:popuser " + top).c_str()) != 0)
        throw std::runtime_error("chown " + top);
}

/// Mailbox homes of one domain directory under the mail root, owned by
/// popuser and removed again at the end of the test.
class MailDomain {
public:
    explicit MailDomain(std::string asciiName) : root_(ROOT + "/" + asciiName) {
        fs::remove_all(root_);
    }
    ~MailDomain() {
        boost::system::error_code ignored;
        fs::remove_all(root_, ignored);
    }
    MailDomain(const MailDomain&) = delete;
    MailDomain& operator=(const MailDomain&) = delete;

    /// A home with its Maildir and, when `attachments` is not 0, an
    /// @attachments store of two files of that many bytes together.
    std::string addMailbox(const std::string& mailname, size_t attachments = 0) {
        std::string home = root_ + "/" + mailname;
        maildir_tree::makeMaildir(home + "/Maildir");
        if (attachments) {
            fs::create_directories(home + "/@attachments/sub");
            putFile(home + "/@attachments/a.pdf", attachments / 2);
            putFile(home + "/@attachments/sub/b.doc", attachments - attachments / 2);
        }
        chownTree(root_);
        return home;
    }
    /// The Maildir of a mailbox.
    std::string maildir(const std::string& mailname) const {
        return root_ + "/" + mailname + "/Maildir";
    }
    /// The first line of a mailbox's maildirsize.
    std::string header(const std::string& mailname) const {
        return maildir_tree::firstLine(maildir(mailname) + "/maildirsize");
    }
    /// Marks a mailbox's maildirsize so that a later rewrite shows.
    void mark(const std::string& mailname) const {
        std::ofstream(maildir(mailname) + "/maildirsize") << "777S,0C\n 0 0\n";
    }

private:
    std::string root_;
};

/// Delivers a message of about `bytes` bytes with deliverquota run as
/// popuser; its exit status (77 is "over quota" in deliverquota(8)).
int deliver(const std::string& maildir, size_t bytes) {
    testsupport::TempDir dir;
    std::string file = dir.write("message", "Subject: q\n\n" + std::string(bytes, 'y') + "\n");
    chmod(dir.path().c_str(), 0755);
    std::string command = "setpriv --reuid=popuser --regid=popuser --clear-groups "
                          "/usr/sbin/deliverquota " + maildir + " <" + file + " >/dev/null 2>&1";
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(DeliverquotaReadsMaildirsize, LimitsOfTheHeader) {
    struct Case {
        const char* name;
        sizequota_t quota;  // store_mbox_quota's; unused with a count limit
        fcount_t countLimit;
        int want;
    } cases[] = {
        {"one-byte quota of a zero request", 0, 0, 77},
        {"no limit", -1, 0, 0},
        {"count limit of one, one message there", 1000000, 1, 77},
        {"count limit of two, one message there", 1000000, 2, 0},
    };
    auto [uid, gid] = tree_attack::popuserIds();
    for (const Case& c : cases) {
        MailDomain d("dqh.example");
        d.addMailbox("joe");
        putFile(d.maildir("joe") + "/new/1.M1P1.host,S=300", 300);
        chownTree(d.maildir("joe"));
        int rc = c.countLimit
                     ? write_maildirpp_maildirsize(d.maildir("joe").c_str(), uid, gid,
                                                   c.quota, c.countLimit)
                     : store_mbox_quota("dqh.example", "joe", c.quota);
        ASSERT_EQ(1, rc) << c.name;
        struct stat st = maildir_tree::statOf(d.maildir("joe") + "/maildirsize");
        EXPECT_EQ(uid, st.st_uid) << c.name;
        EXPECT_EQ(gid, st.st_gid) << c.name;
        int got = deliver(d.maildir("joe"), 2000);
        EXPECT_EQ(c.want, got) << c.name << " (" << d.header("joe") << "): got " << got
                               << ", want " << c.want;
    }
}

TEST(StoreMboxQuota, AttachmentsAreTakenOffTheQuota) {
    const sizequota_t ATTACHED = 30000;
    struct Case {
        const char* name;
        size_t attachments;
        sizequota_t quota;
        bool warning;
        std::string header;  // "" : quota less the attachments store
    } cases[] = {
        {"attachments subtracted", ATTACHED, 100000, false, ""},
        {"attachments bigger than the quota", ATTACHED, 10, true, "1S,0C"},
        {"no limit keeps no limit", ATTACHED, -1, false, "0S,0C"},
        {"no attachments store", 0, 100000, false, "100000S,0C"},
        {"zero quota", 0, 0, false, "1S,0C"},
    };
    for (const Case& c : cases) {
        MailDomain d("att.example");
        std::string home = d.addMailbox("joe", c.attachments);
        std::string want = c.header;
        if (want.empty())
            want = std::to_string(c.quota - get_dir_size((home + "/@attachments").c_str(), 0)) + "S,0C";
        std::string before = cwd();
        Printed p = printedBy([&] { return store_mbox_quota("att.example", "joe", c.quota); });
        EXPECT_EQ(1, p.rc) << c.name;
        EXPECT_EQ(want, d.header("joe")) << c.name;
        EXPECT_EQ(before, cwd()) << c.name;
        bool warned = p.err.find("WARNING: @attachments directory is big enough to disable "
                                 "delivery!\n") != std::string::npos;
        EXPECT_EQ(c.warning, warned) << c.name << ": " << p.err;
    }
}

TEST(StoreMboxQuota, DomainInItsAsciiFormAndMissingHome) {
    MailDomain d("xn--bcher-kva.example");
    d.addMailbox("joe");
    ASSERT_EQ(1, store_mbox_quota("b\xc3\xbc" "cher.example", "joe", 4096));
    EXPECT_EQ("4096S,0C", d.header("joe"));

    std::string before = cwd();
    Printed p = printedBy([] { return store_mbox_quota("nohome.example", "joe", 1000); });
    EXPECT_EQ(0, p.rc);
    EXPECT_NE(std::string::npos,
              p.err.find("unable to change to mbox folder " + ROOT + "/nohome.example/joe: "))
        << p.err;
    EXPECT_EQ(before, cwd());
}

TEST(StoreDefaultMboxQuota, OnlyMailboxesFollowingTheDomainDefault) {
    PanelRows rows;
    int dom = rows.addDomain("dflt.example");
    int other = rows.addDomain("dflt-other.example");
    rows.addMailname(dom, "minus", "-1");
    rows.addMailname(dom, "null", "NULL");
    rows.addMailname(dom, "own", "500000");
    rows.addMailname(dom, "unlimited", "-5");
    rows.addMailname(other, "minus2", "-1");
    MailDomain d("dflt.example");
    MailDomain o("dflt-other.example");
    for (const char* m : {"minus", "null", "own", "unlimited"}) {
        d.addMailbox(m);
        d.mark(m);
    }
    o.addMailbox("minus2");
    o.mark("minus2");

    struct Step {
        const char* name;
        int (*call)(const char*);
        const char* header;
    } steps[] = {
        {"store_default_mbox_quota",
         [](const char* dn) { return store_default_mbox_quota(dn, 20000); }, "20000S,0C"},
        {"rm_default_mbox_quota", rm_default_mbox_quota, "0S,0C"},
        {"store_domain_quota", [](const char* dn) { return store_domain_quota(dn, 30000); },
         "30000S,0C"},
        {"rm_domain_quota", rm_domain_quota, "0S,0C"},
    };
    for (const Step& s : steps) {
        ASSERT_EQ(1, s.call("dflt.example")) << s.name;
        EXPECT_EQ(s.header, d.header("minus")) << s.name;
        EXPECT_EQ(s.header, d.header("null")) << s.name << ": NULL is no number";
        EXPECT_EQ("777S,0C", d.header("own")) << s.name << ": own quota kept";
        EXPECT_EQ("777S,0C", d.header("unlimited")) << s.name << ": own quota kept";
        EXPECT_EQ("777S,0C", o.header("minus2")) << s.name << ": other domain untouched";
    }
}

TEST(StoreDefaultMboxQuota, MailboxWithoutHomeFailsTheCall) {
    EXPECT_EQ(1, store_default_mbox_quota("dflt-unknown.example", 1000)) << "no mailboxes";
    PanelRows rows;
    int dom = rows.addDomain("dflt-broken.example");
    rows.addMailname(dom, "ghost", "-1");
    Printed p = printedBy([] { return store_default_mbox_quota("dflt-broken.example", 1000); });
    EXPECT_EQ(0, p.rc);
    EXPECT_NE(std::string::npos,
              p.err.find("unable to set default mbox quota for domain 'dflt-broken.example' "
                         "(processing 'ghost')"))
        << p.err;
}

TEST(RmMboxQuota, TakesTheLimitOfTheDomainOrItsWebspace) {
    struct Case {
        const char* name;
        const char* limit;  // the mbox_quota limit; null: no such limit row
        bool webspace;      // the limit is its webspace's, the domain's own is 11
        std::string header;
    } cases[] = {
        {"domain limit", "30000", false, "30000S,0C"},
        {"webspace limit", "40000", true, "40000S,0C"},
        {"empty limit", "", false, "0S,0C"},
        {"no limit row", nullptr, false, "0S,0C"},
        {"limit of 0", "0", false, "1S,0C"},
    };
    for (const Case& c : cases) {
        PanelRows rows;
        int limits = c.limit ? rows.addLimit("mbox_quota", c.limit) : rows.addLimit("other", "5");
        int dom = rows.addDomain(c.webspace ? "rm-parent.example" : "rm.example", "0", limits);
        if (c.webspace)
            dom = rows.addDomain("rm.example", std::to_string(dom), rows.addLimit("mbox_quota", "11"));
        rows.addMailname(dom, "joe", "123");
        MailDomain d("rm.example");
        d.addMailbox("joe");
        d.mark("joe");
        EXPECT_EQ(1, rm_mbox_quota("rm.example", "joe")) << c.name;
        EXPECT_EQ(c.header, d.header("joe")) << c.name;
    }
}

TEST(RmMboxQuota, UnknownDomainFails) {
    Printed p = printedBy([] { return rm_mbox_quota("rm-none.example", "joe"); });
    EXPECT_EQ(0, p.rc);
    EXPECT_NE(std::string::npos, p.err.find("No such domain rm-none.example")) << p.err;
}

TEST(GetMboxSizeDeathTest, MissingMaildirEndsTheProcess) {
    EXPECT_EXIT(get_mbox_size("joe", "size-none.example", 0), testing::ExitedWithCode(1),
                "Unable to calculate Maildir\\+\\+ size: No such file or directory");
}

}  // namespace
