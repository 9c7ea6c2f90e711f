// The .qmail delivery file: its lines after sequences of operations, its
// owner and mode, and the failures.
#include "mail/lib/storage/dot_qmail_manager.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "lib/errors/errors.h"
#include "tests/sandboxed/tree/tree_attack.h"
#include "tests/support/file_text.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_dir.h"
#include "tests/unit/quota/maildir_tree.h"

namespace {

using quarn::SystemError;
using quarn::mail::DotQMailManager;
using testsupport::TempDir;

const std::string DELIVER = "| /usr/bin/deliverquota ./Maildir\n";

using testsupport::readFileIfAny;
using testsupport::show;

// `text` with its "%s", if any, replaced by `path`.
std::string withPath(std::string text, const std::string& path) {
    std::string::size_type at = text.find("%s");
    return at == std::string::npos ? text : text.replace(at, 2, path);
}

// The message of the SystemError that `op` throws, or what happened instead.
std::string thrownMessage(const std::function<void()>& op) {
    try {
        op();
    } catch (const SystemError& e) {
        return e.message();
    } catch (const std::exception& e) {
        return std::string("other exception: ") + e.what();
    }
    return "no exception";
}

using Op = std::function<void(DotQMailManager&)>;

const Op reset = [](DotQMailManager& q) { q.reset(); };
const Op enable = [](DotQMailManager& q) { q.enableDelivery(); };
const Op disable = [](DotQMailManager& q) { q.disableDelivery(); };
Op add(const std::string& address) {
    return [address](DotQMailManager& q) { q.addRedirect(address); };
}
Op addFirst(const std::string& address) {
    return [address](DotQMailManager& q) { q.addRedirect(address, DotQMailManager::Beginning); };
}
Op remove(const std::string& address) {
    return [address](DotQMailManager& q) { q.removeRedirect(address); };
}

// The file after each sequence, and popuser's with mode 0600 after each step.
TEST(DotQMailManager, Sequences) {
    struct Case {
        const char* name;
        std::optional<std::string> before;
        std::vector<Op> ops;
        std::string after;
    } cases[] = {
        {"reset of an empty file", std::string(), {reset}, "| true\n"},
        {"reset drops delivery and redirects", "| true\n" + DELIVER + "&a@b.c\n", {reset},
         "| true\n"},
        {"enable twice", std::nullopt, {reset, enable, enable}, "| true\n" + DELIVER},
        {"disable twice", std::nullopt, {reset, enable, disable, disable}, "| true\n"},
        {"enable without a file", std::nullopt, {enable}, DELIVER},
        {"enable replaces the old Maildir line", "| true\n./Maildir/\n&a@b.c\n", {enable},
         "| true\n&a@b.c\n" + DELIVER},
        {"disable drops both delivery lines", "./Maildir/\n&a@b.c\n" + DELIVER, {disable},
         "&a@b.c\n"},
        {"disable keeps a similar line", "| true\n./Maildir/x\n" + DELIVER, {disable},
         "| true\n./Maildir/x\n"},
        {"enable moves delivery after redirects", std::nullopt,
         {reset, enable, add("a@b.c")}, "| true\n" + DELIVER + "&a@b.c\n"},
        {"redirect at the beginning still goes last", std::nullopt,
         {reset, add("a@b.c"), addFirst("x@y.z")}, "| true\n&a@b.c\n&x@y.z\n"},
        {"redirect to a new file", std::nullopt, {add("a@b.c")}, "&a@b.c\n"},
        {"redirect removed", std::nullopt,
         {reset, add("a@b.c"), add("a@b.c.d"), add("xa@b.c"), remove("a@b.c")},
         "| true\n&a@b.c.d\n&xa@b.c\n"},
        {"removing an absent redirect", std::nullopt, {reset, remove("a@b.c")}, "| true\n"},
    };
    auto [uid, gid] = tree_attack::popuserIds();
    const std::string popuser0600 = maildir_tree::ownerAndMode(uid, gid, 0600);
    for (const Case& c : cases) {
        TempDir dir;
        if (c.before)
            chmod(dir.write(".qmail", *c.before).c_str(), 0644);
        DotQMailManager q(dir.path());
        for (std::size_t i = 0; i < c.ops.size(); ++i) {
            EXPECT_NO_THROW(c.ops[i](q)) << c.name << " step " << i;
            EXPECT_EQ(popuser0600, maildir_tree::ownerAndMode(q.path().string()))
                << c.name << " step " << i;
        }
        EXPECT_EQ(show(c.after), show(readFileIfAny(q.path().string()))) << c.name;
        EXPECT_FALSE(readFileIfAny(q.path().string() + ".tmp")) << c.name << ": .tmp left";
    }
}

// Each failure leaves no file behind; a link that popuser put at the path
// is not followed: what it leads to keeps its text, owner and mode.
TEST(DotQMailManager, Failures) {
    const std::string longDomain = "a@" + std::string(64, 'x') + ".com";
    struct Case {
        const char* name;
        Op op;
        std::string log;    // with %s for the path
        bool link = false;  // a link at the path to a file of root's
    } cases[] = {
        {"disable without a file", disable, "Unable to remove string from %s file|"},
        {"remove a redirect without a file", remove("a@b.c"),
         "Unable to remove string from %s file.|"},
        {"redirect without a domain", add("nodomain"), "idn_email_toascii(nodomain) failed: "},
        {"redirect to a domain that does not convert", add(longDomain),
         "idn_email_toascii(" + longDomain + ") failed: Invalid length|"},
        {"remove with a domain that does not convert", remove(longDomain),
         "idn_email_toascii(" + longDomain + ") failed: Invalid length|"},
        {"reset over a link", reset, "", true},
        {"enable over a link", enable, "", true},
        {"disable over a link", disable, "", true},
        {"add over a link", add("a@b.c"), "", true},
        {"remove over a link", remove("a@b.c"), "", true},
    };
    for (const Case& c : cases) {
        TempDir dir;
        DotQMailManager q(dir.path());
        std::string path = q.path().string();
        std::string victim = dir.write("victim", "./Maildir/\n&a@b.c\n");
        chmod(victim.c_str(), 0644);
        const std::string before = tree_attack::snapshot(victim);
        if (c.link) {
            ASSERT_EQ(0, symlink(victim.c_str(), path.c_str())) << c.name;
        }
        testsupport::LogCapture log;
        EXPECT_EQ("unable to modify " + path, thrownMessage([&] { c.op(q); })) << c.name;
        std::string want = withPath(c.log, path);
        EXPECT_EQ(0u, log.text().find(want))
            << c.name << ": got '" << log.text() << "', want '" << want << "'";
        struct stat st;
        EXPECT_EQ(c.link, lstat(path.c_str(), &st) == 0) << c.name << ": file made or link gone";
        EXPECT_EQ(before, tree_attack::snapshot(victim)) << c.name;
    }
}

}  // namespace
