// Rewrites on a file system that runs full: the error is short and says so,
// the old table stands, and no scratch file stays behind.
#include <sys/mount.h>
#include <sys/statvfs.h>

#include <fstream>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "mail/postfix/tables/database_helper.h"
#include "tests/sandboxed/tables/table_support.h"

namespace {

using quarn::mail::postfix::DatabaseHelper;
using tabletest::Toggle;
using testsupport::Records;

const long RecordCount = 20000;

/// A small tmpfs of its own, unmounted at the end.
class SmallDisk {
public:
    SmallDisk() : dir_(tabletest::TABLES + "full_" + std::to_string(getpid())) {
        mkdir(dir_.c_str(), 0755);
        if (mount("tmpfs", dir_.c_str(), "tmpfs", 0, "size=64m") != 0)
            throw std::runtime_error("mount tmpfs on " + dir_);
    }
    ~SmallDisk() {
        umount2(dir_.c_str(), MNT_DETACH);
        rmdir(dir_.c_str());
    }
    /// Leaves `bytes` free beside what is used now.
    void leaveFree(unsigned long bytes) const {
        struct statvfs st;
        statvfs(dir_.c_str(), &st);
        unsigned long used = (st.f_blocks - st.f_bfree) * st.f_frsize;
        std::string options = "size=" + std::to_string(used + bytes);
        if (mount("tmpfs", dir_.c_str(), "tmpfs", MS_REMOUNT, options.c_str()) != 0)
            throw std::runtime_error("remount " + dir_ + " with " + options);
    }
    const std::string& dir() const { return dir_; }

private:
    std::string dir_;
};

TEST(TableFullDiskHeavy, FailedRewriteSaysWhyAndKeepsTheOldTable) {
    Records records;
    for (long i = 0; i < RecordCount; ++i)
        records["k" + std::to_string(i) + "@x.test"] = "u" + std::to_string(i) + "@a.test";
    const unsigned long sourceBytes = RecordCount * 30;
    struct Case {
        const char* name;
        unsigned long freeBytes;
        const char* want;  ///< in the message
    } cases[] = {
        {"the source does not fit", 64 * 1024, "No space left on device"},
        {"the index does not fit", sourceBytes + 64 * 1024, "postmap: fatal:"},
    };
    for (const Case& c : cases) {
        SmallDisk disk;
        tabletest::ScratchTable t("full", disk.dir() + "/");
        t.fill(records);
        disk.leaveFree(c.freeBytes);
        const std::string what = tabletest::errorOf<std::exception>(
            [&] { DatabaseHelper::filterElements(t.map(), Toggle()); });
        EXPECT_NE(std::string::npos, what.find(c.want))
            << c.name << ": got '" << what << "', want it to hold '" << c.want << "'";
        EXPECT_LT(what.size(), 4096u) << c.name << ": a message of " << what.size() << " bytes";
        EXPECT_TRUE(records == t.dump()) << c.name << ": the old table is gone";
        EXPECT_TRUE(tabletest::scratchFiles(t.path()).empty()) << c.name << ": scratch left";
        disk.leaveFree(64 * 1024 * 1024);
        EXPECT_NO_THROW(DatabaseHelper::filterElements(t.map(), Toggle())) << c.name;
        EXPECT_EQ("u1@b.test", t.dump()["k1@x.test"]) << c.name;
    }
}

}  // namespace
