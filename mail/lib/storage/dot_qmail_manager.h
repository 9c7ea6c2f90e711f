// The .qmail delivery file of a mailname: delivery on or off and redirects.
#ifndef QUARN_MAIL_LIB_STORAGE_DOT_QMAIL_MANAGER_H
#define QUARN_MAIL_LIB_STORAGE_DOT_QMAIL_MANAGER_H

#include <boost/filesystem/path.hpp>

#include <string>

namespace quarn {
namespace mail {

/// Each operation edits the file line by line and leaves it owned by popuser
/// with mode 0600; a failure is logged and then thrown as the SystemError
/// "unable to modify <path>".
class DotQMailManager {
public:
    /// Where a redirect goes; the file always gets it at the end.
    enum Position { Beginning, End };

    /// The file `directory`/.qmail.
    explicit DotQMailManager(const boost::filesystem::path& directory);

    /// The file becomes "| true": nothing is delivered.
    void reset();
    /// Delivery into ./Maildir through deliverquota, as the last line.
    void enableDelivery();
    /// Neither delivery line stays; a missing file is a failure.
    void disableDelivery();
    /// The line "&" and the ASCII address, once and last whatever `position`.
    void addRedirect(const std::string& address, Position position = End);
    /// That line goes; a missing file is a failure.
    void removeRedirect(const std::string& address);

    /// The .qmail file itself.
    const boost::filesystem::path& path() const noexcept { return path_; }

private:
    boost::filesystem::path path_;
};

}  // namespace mail
}  // namespace quarn

#endif
