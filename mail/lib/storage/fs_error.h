// File-system failures of the mail storage, in the filesystem library's own
// error type so that callers catch one kind for both.
#ifndef QUARN_MAIL_LIB_STORAGE_FS_ERROR_H
#define QUARN_MAIL_LIB_STORAGE_FS_ERROR_H

#include <boost/filesystem/exception.hpp>
#include <boost/filesystem/path.hpp>

#include <string>

namespace quarn {
namespace mail {

/// "what: <system message of code>[: "path1"[, "path2"]]". The code is kept
/// as given: 0 is not replaced by errno.
class FSError : public boost::filesystem::filesystem_error {
public:
    FSError(const std::string& what, const boost::filesystem::path& path, int code);
    FSError(const std::string& what, const boost::filesystem::path& path1,
            const boost::filesystem::path& path2, int code);
    FSError(const std::string& what, int code);
    ~FSError() override;
};

}  // namespace mail
}  // namespace quarn

#endif
