// What a domain name, a mailname and an address may hold before anything is
// built from them: table records, paths, .qmail lines, crontab lines.
#ifndef QUARN_LIB_NAMES_NAME_RULES_H
#define QUARN_LIB_NAMES_NAME_RULES_H

#include <string>

namespace quarn {

/// A domain name in ASCII form: 1 to 253 bytes, labels of 1 to 63 letters,
/// digits, "-" and "_", joined by single dots, no dot at either end.
bool isValidDomainName(const std::string& name);

/// A mailname (local part): 1 to 64 bytes, not "." or "..", without "..",
/// "/", "@", ",", ":", white space or control characters.
bool isValidMailname(const std::string& name);

/// An address local@domain taken from an option: exactly one "@", a
/// non-empty local part without white space, control characters or ",",
/// and a valid domain part.
bool isValidAddress(const std::string& address);

/// A single path component that is safe to join under a directory: not
/// empty, not "." or "..", without "/" or control characters.
bool isSafePathComponent(const std::string& name);

}  // namespace quarn

#endif
