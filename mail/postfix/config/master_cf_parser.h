// The master.cf grammar: logical lines of eight columns, comments, blank
// lines and continuation lines, parsed without losing a byte.
#ifndef QUARN_MAIL_POSTFIX_CONFIG_MASTER_CF_PARSER_H
#define QUARN_MAIL_POSTFIX_CONFIG_MASTER_CF_PARSER_H

#include <boost/spirit/include/classic_file_iterator.hpp>

#include "mail/postfix/config/master_cf_content.h"

namespace quarn::mail::postfix {

/// The iterator over a read-only memory map of a file.
using MasterCfFileIterator = boost::spirit::classic::file_iterator<char>;

/// Adds every line of [first, last) to `content`; false when some text is
/// neither a service entry, a comment line nor a blank line (entries
/// before it stay in `content`). Does not look at the final line feed.
bool parseMasterCf(const char* first, const char* last, MasterCfContent& content);
bool parseMasterCf(MasterCfFileIterator first, MasterCfFileIterator last,
                   MasterCfContent& content);

}  // namespace quarn::mail::postfix

#endif
