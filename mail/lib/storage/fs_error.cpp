#include "mail/lib/storage/fs_error.h"

#include <boost/system/error_code.hpp>

namespace quarn {
namespace mail {

namespace {

boost::system::error_code systemCode(int code) {
    return boost::system::error_code(code, boost::system::system_category());
}

}  // namespace

FSError::FSError(const std::string& what, const boost::filesystem::path& path, int code)
    : boost::filesystem::filesystem_error(what, path, systemCode(code)) {}

FSError::FSError(const std::string& what, const boost::filesystem::path& path1,
                 const boost::filesystem::path& path2, int code)
    : boost::filesystem::filesystem_error(what, path1, path2, systemCode(code)) {}

FSError::FSError(const std::string& what, int code)
    : boost::filesystem::filesystem_error(what, systemCode(code)) {}

FSError::~FSError() = default;

}  // namespace mail
}  // namespace quarn
