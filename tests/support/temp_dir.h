// A scratch directory for tests, removed with everything in it even when
// an assertion fails.
#ifndef TESTS_SUPPORT_TEMP_DIR_H
#define TESTS_SUPPORT_TEMP_DIR_H

#include <boost/algorithm/string/predicate.hpp>
#include <boost/filesystem.hpp>

#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace testsupport {

class TempDir {
public:
    TempDir() {
        std::string pattern =
            (boost::filesystem::temp_directory_path() / "mxwarden_test.XXXXXX").string();
        if (!mkdtemp(&pattern[0]))
            throw std::runtime_error("mkdtemp " + pattern + " failed");
        path_ = pattern;
    }
    ~TempDir() {
        boost::system::error_code ignored;
        boost::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    /// Writes `text` to the file `name` in the directory; returns its path.
    std::string write(const std::string& name, const std::string& text) const {
        std::string path = file(name);
        std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
        return path;
    }
    /// Names in the directory that end in `suffix`.
    std::vector<std::string> namesEnding(const std::string& suffix) const {
        std::vector<std::string> found;
        for (const auto& e : boost::filesystem::directory_iterator(path_)) {
            std::string name = e.path().filename().string();
            if (boost::algorithm::ends_with(name, suffix))
                found.push_back(name);
        }
        return found;
    }

private:
    std::string path_;
};

}  // namespace testsupport

#endif
