// The two table rewrites of a mailname rename, and the guards that undo
// them when a later step of the rename fails.
#ifndef QUARN_MAIL_POSTFIX_ACCOUNTS_MAILNAME_RENAME_GUARD_H
#define QUARN_MAIL_POSTFIX_ACCOUNTS_MAILNAME_RENAME_GUARD_H

#include <string>

namespace quarn::mail::postfix {

/// vmailbox: the key `fromAddress` becomes `toAddress`, the Maildir path
/// `fromMaildir` (also with its "/") becomes `toMaildir`.
void renameMailboxRecords(const std::string& fromAddress, const std::string& toAddress,
                          const std::string& fromMaildir, const std::string& toMaildir);

/// virtual: every key and value element `from` becomes `to`.
void renameAliasRecords(const std::string& from, const std::string& to);

/// Remembers a vmailbox rename done; while an exception passes its
/// destruction, renames back. A failed undo is reported, never thrown.
class safeMailnameRenamer {
public:
    safeMailnameRenamer(const std::string& fromAddress, const std::string& toAddress,
                        const std::string& fromMaildir, const std::string& toMaildir);
    safeMailnameRenamer(const safeMailnameRenamer&) = delete;
    safeMailnameRenamer& operator=(const safeMailnameRenamer&) = delete;
    ~safeMailnameRenamer();

private:
    std::string fromAddress_, toAddress_, fromMaildir_, toMaildir_;
    int uncaught_;
};

/// The same for a virtual rename.
class safeAliasRenamer {
public:
    safeAliasRenamer(const std::string& from, const std::string& to);
    safeAliasRenamer(const safeAliasRenamer&) = delete;
    safeAliasRenamer& operator=(const safeAliasRenamer&) = delete;
    ~safeAliasRenamer();

private:
    std::string from_, to_;
    int uncaught_;
};

}  // namespace quarn::mail::postfix

#endif
