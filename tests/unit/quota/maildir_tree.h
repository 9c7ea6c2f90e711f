// Scratch Maildirs for the quota tests: folders, message files of a given
// length and the times of directories, all below a TempDir.
#ifndef TESTS_UNIT_QUOTA_MAILDIR_TREE_H
#define TESTS_UNIT_QUOTA_MAILDIR_TREE_H

#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <boost/filesystem.hpp>

#include <cstdio>
#include <ctime>
#include <fstream>
#include <stdexcept>
#include <string>

#include "tests/support/file_text.h"

namespace maildir_tree {

using testsupport::readFile;

/// `path` with tmp, new and cur, made with missing parents.
inline void makeMaildir(const std::string& path) {
    for (const char* sub : {"tmp", "new", "cur"})
        boost::filesystem::create_directories(path + "/" + sub);
}

/// A file of `length` bytes at `path`.
inline void putFile(const std::string& path, size_t length) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << std::string(length, 'x');
}

/// Sets both times of `path` to `when`.
inline void setTimes(const std::string& path, time_t when) {
    struct timeval tv[2] = {{when, 0}, {when, 0}};
    if (utimes(path.c_str(), tv) != 0)
        throw std::runtime_error("utimes " + path + " failed");
}

/// lstat of `path`; throws when it fails.
inline struct stat statOf(const std::string& path) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0)
        throw std::runtime_error("lstat " + path + " failed");
    return st;
}

/// "uid:gid mode", the mode in octal.
inline std::string ownerAndMode(uid_t uid, gid_t gid, mode_t mode) {
    char text[64];
    std::snprintf(text, sizeof text, "%u:%u %o", static_cast<unsigned>(uid),
                  static_cast<unsigned>(gid), static_cast<unsigned>(mode & 07777));
    return text;
}

/// ownerAndMode of `path` (a link not followed), or "missing".
inline std::string ownerAndMode(const std::string& path) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0)
        return "missing";
    return ownerAndMode(st.st_uid, st.st_gid, st.st_mode);
}

/// The first line of the file at `path`, without its line feed.
inline std::string firstLine(const std::string& path) {
    std::string text = readFile(path);
    return text.substr(0, text.find('\n'));
}

/// The working directory, to show that a call gave it back.
inline std::string cwd() {
    char buffer[4096];
    return getcwd(buffer, sizeof buffer) ? buffer : "(getcwd failed)";
}

}  // namespace maildir_tree

#endif
