// Names from the command line made ready for use and checked, once, before
// a handler changes anything: the one place every command handler calls.
#ifndef QUARN_MAIL_POSTFIX_OPTIONS_NAME_CHECK_H
#define QUARN_MAIL_POSTFIX_OPTIONS_NAME_CHECK_H

#include <string>

namespace quarn::mail::postfix {

/// The ASCII (IDNA) form of a domain name (also a domain alias), folded to
/// lower case, when it passes isValidDomainName. A refused name throws
/// std::invalid_argument with the name as given; a name that cannot be
/// converted throws idn::IdnaError.
std::string checkedDomainName(const std::string& name);

/// A mailname (also the local part of a mail alias), unchanged, when it
/// passes isValidMailname; std::invalid_argument with the name otherwise.
std::string checkedMailname(const std::string& name);

/// An address from an option (redirect, catch-all): its domain part in
/// ASCII form and lower case, the local part unchanged, when the result
/// passes isValidAddress; std::invalid_argument with the address otherwise.
std::string checkedAddress(const std::string& address);

/// ASCII lower case of a domain name; other bytes stay.
std::string foldDomainCase(std::string name);

}  // namespace quarn::mail::postfix

#endif
