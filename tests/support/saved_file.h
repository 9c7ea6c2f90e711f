// Keeps a system file as it was: its text (or its absence) and mode are put
// back when the guard goes, whatever the test did to the path meanwhile.
#ifndef TESTS_SUPPORT_SAVED_FILE_H
#define TESTS_SUPPORT_SAVED_FILE_H

#include <boost/filesystem.hpp>

#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>

namespace testsupport {

class SavedFile {
public:
    explicit SavedFile(std::string path) : path_(std::move(path)) {
        struct stat st;
        existed_ = stat(path_.c_str(), &st) == 0;
        if (existed_) {
            mode_ = st.st_mode & 07777;
            std::ifstream in(path_, std::ios::binary);
            text_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
    }
    ~SavedFile() {
        remove();
        if (!existed_)
            return;
        std::ofstream(path_, std::ios::binary | std::ios::trunc) << text_;
        chmod(path_.c_str(), mode_);
    }
    SavedFile(const SavedFile&) = delete;
    SavedFile& operator=(const SavedFile&) = delete;

    bool existed() const { return existed_; }
    const std::string& text() const { return text_; }

    /// Replaces whatever is at the path by a file holding `text`.
    void write(const std::string& text) const {
        remove();
        boost::filesystem::create_directories(boost::filesystem::path(path_).parent_path());
        std::ofstream(path_, std::ios::binary | std::ios::trunc) << text;
    }
    /// Leaves nothing at the path.
    void remove() const {
        boost::system::error_code ignored;
        boost::filesystem::remove_all(path_, ignored);
    }

private:
    std::string path_;
    bool existed_ = false;
    mode_t mode_ = 0600;
    std::string text_;
};

}  // namespace testsupport

#endif
