// The content of one master.cf-format file: every line as found, and the
// service entries parsed from it.
#ifndef QUARN_MAIL_POSTFIX_CONFIG_MASTER_CF_CONTENT_H
#define QUARN_MAIL_POSTFIX_CONFIG_MASTER_CF_CONTENT_H

#include <list>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "mail/postfix/config/module_info.h"

namespace quarn::mail::postfix {

/// Lines (comments, blanks, whole service entries with their continuation
/// lines) kept byte for byte, so that a store changes only the entries
/// that were changed.
class MasterCfContent {
public:
    using Key = std::pair<std::string, ModuleType>;
    using Lines = std::list<std::string>;

    MasterCfContent() = default;
    // Positions point into `lines`; a copy would point into the original.
    MasterCfContent(const MasterCfContent&) = delete;
    MasterCfContent& operator=(const MasterCfContent&) = delete;

    /// Replaces the entry of info's key in place, or appends `line`.
    void addModule(const ModuleInfo& info, const std::string& line);
    /// Removes the entry and its line; false when there is none.
    bool removeModule(const std::string& name, ModuleType type);
    bool hasModule(const std::string& name, ModuleType type) const;
    /// The entry and its text; std::out_of_range "no such module <name>".
    std::pair<const ModuleInfo&, const std::string&> getModule(const std::string& name,
                                                                ModuleType type) const;
    /// Copies of all entries in key order (name, then type).
    std::vector<ModuleInfo> modules() const;

    /// Appends a comment or blank line.
    void addRawLine(const std::string& line) {
        lastLineChanged();
        lastAddAppended_ = true;
        lines.push_back(line);
    }

    /// The file text: every line followed by a line feed, but the last
    /// one as it was found when the file did not end with one.
    std::string text() const;
    /// Marks that the last line read had no line feed after it. A last
    /// entry that replaced an earlier one has left no line at the end to
    /// mark.
    void setMissingFinalLineFeed(bool missing) {
        missingFinalLineFeed_ = missing && lastAddAppended_;
    }

    Lines lines;

private:
    /// The last line no longer is the one read without a line feed.
    void lastLineChanged() { missingFinalLineFeed_ = false; }

    std::map<Key, ModuleInfo> modules_;
    std::map<Key, Lines::iterator> positions_;
    bool missingFinalLineFeed_ = false;
    bool lastAddAppended_ = false;
};

}  // namespace quarn::mail::postfix

#endif
