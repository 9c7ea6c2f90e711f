// The map names of the lookup tables that mail accounts live in.
#ifndef QUARN_MAIL_POSTFIX_TABLES_TABLE_NAMES_H
#define QUARN_MAIL_POSTFIX_TABLES_TABLE_NAMES_H

namespace quarn::mail::postfix::tables {

/// Address rewriting: standard addresses, catch-all, bounces, aliases.
inline const char* const VIRTUAL = "hash:/var/spool/postfix/quarn/virtual";
/// The domains whose mailboxes are served here.
inline const char* const VIRTUAL_DOMAINS = "hash:/var/spool/postfix/quarn/virtual_domains";
/// The mailboxes.
inline const char* const VMAILBOX = "hash:/var/spool/postfix/quarn/vmailbox";
/// Local aliases: the bounce programs.
inline const char* const ALIASES = "hash:/var/spool/postfix/quarn/aliases";

}  // namespace quarn::mail::postfix::tables

#endif
