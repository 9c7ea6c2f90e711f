// A table rebuilt under a scratch name beside the old one and put in its
// place by one rename, so that readers and a killed run only ever see the
// old or the new table whole.
#ifndef QUARN_MAIL_POSTFIX_TABLES_TABLE_REWRITE_H
#define QUARN_MAIL_POSTFIX_TABLES_TABLE_REWRITE_H

#include <memory>
#include <ostream>
#include <string>

#include "lib/util/mk_lock.h"
#include "mail/postfix/tables/source_writer.h"

namespace quarn::mail::postfix {

/// One rewrite of a table, to be used under the table lock. The scratch
/// source is ".<name>.rewrite-XXXXXX" in the table's directory and postmap
/// indexes it under that name plus the type's suffix; whatever is left of
/// them is removed by the destructor, and by the next rewrite after a kill.
class TableRewrite {
public:
    /// Removes left-overs of earlier rewrites of `map` and creates the
    /// scratch source. `lock` is the table lock, held by the caller.
    TableRewrite(const std::string& map, const MKLock& lock);
    /// Removes the scratch files; the old table stands unless commit() ran.
    ~TableRewrite();
    TableRewrite(const TableRewrite&) = delete;
    TableRewrite& operator=(const TableRewrite&) = delete;

    /// Where the records of the new table are written, one per line.
    std::ostream& source() { return *writer_; }
    /// Closes the source and indexes it ("postmap -r" when `overwrite`);
    /// a failure throws PostfixConfigurationError with postmap's text.
    void build(bool overwrite);
    /// Gives the new index the old one's owner, group and mode, syncs it
    /// and renames it over the old one.
    void commit();

private:
    void removeLeftovers() const;

    std::string type_;         ///< "hash:" or empty
    std::string tablePath_;    ///< the source path the map names
    std::string scratchPath_;  ///< the scratch source
    std::string suffix_;       ///< of the index file, ".db" for hash
    const MKLock& lock_;
    std::unique_ptr<SourceWriter> writer_;
    bool committed_ = false;
};

}  // namespace quarn::mail::postfix

#endif
