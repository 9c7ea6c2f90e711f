#include "mail/postfix/accounts/mailname_rename_guard.h"

#include <exception>

#include "mail/postfix/tables/database_helper.h"
#include "mail/postfix/tables/postfix_errors.h"
#include "mail/postfix/tables/record_filters.h"
#include "mail/postfix/tables/table_names.h"

namespace quarn::mail::postfix {

using database::KeyValueFilter;
using database::ReplaceElementFilterRef;
using database::ValueListFilter;

namespace {

/// ASCII lower case, as postmap folds keys; other bytes stay.
std::string foldKeyCase(std::string key) {
    for (char& c : key)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return key;
}

}  // namespace

// postmap stores keys in lower case, so a dumped key is met in that
// spelling; values keep the case they were written with.
void renameMailboxRecords(const std::string& fromAddress, const std::string& toAddress,
                          const std::string& fromMaildir, const std::string& toMaildir) {
    const std::string fromKey = foldKeyCase(fromAddress);
    using Filter = KeyValueFilter<ReplaceElementFilterRef, ValueListFilter<ReplaceElementFilterRef>>;
    const Filter filter(ReplaceElementFilterRef(fromKey, toAddress),
                        ValueListFilter<ReplaceElementFilterRef>(
                            ReplaceElementFilterRef(fromMaildir, toMaildir)));
    DatabaseHelper::filterRecords(tables::VMAILBOX, filter);
}

void renameAliasRecords(const std::string& from, const std::string& to) {
    const std::string fromKey = foldKeyCase(from);
    using Filter = KeyValueFilter<ReplaceElementFilterRef, ValueListFilter<ReplaceElementFilterRef>>;
    const Filter filter(ReplaceElementFilterRef(fromKey, to),
                        ValueListFilter<ReplaceElementFilterRef>(ReplaceElementFilterRef(from, to)));
    DatabaseHelper::filterRecords(tables::VIRTUAL, filter);
}

safeMailnameRenamer::safeMailnameRenamer(const std::string& fromAddress,
                                         const std::string& toAddress,
                                         const std::string& fromMaildir,
                                         const std::string& toMaildir)
    : fromAddress_(fromAddress),
      toAddress_(toAddress),
      fromMaildir_(fromMaildir),
      toMaildir_(toMaildir),
      uncaught_(std::uncaught_exceptions()) {}

safeMailnameRenamer::~safeMailnameRenamer() {
    if (std::uncaught_exceptions() <= uncaught_)
        return;
    try {
        renameMailboxRecords(toAddress_, fromAddress_, toMaildir_, fromMaildir_);
    } catch (...) {
        reportDoubleError("Postfix Virtual Mailboxes Database");
    }
}

safeAliasRenamer::safeAliasRenamer(const std::string& from, const std::string& to)
    : from_(from), to_(to), uncaught_(std::uncaught_exceptions()) {}

safeAliasRenamer::~safeAliasRenamer() {
    if (std::uncaught_exceptions() <= uncaught_)
        return;
    try {
        renameAliasRecords(to_, from_);
    } catch (...) {
        reportDoubleError("Postfix Virtual Aliases Database");
    }
}

}  // namespace quarn::mail::postfix
