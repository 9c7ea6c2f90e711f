// The option value types of the command line that the option library does
// not know: a prefix length, the account-name format and a set of mail
// components.  Their validate overloads are found by argument-dependent
// lookup.
#ifndef QUARN_MAIL_POSTFIX_OPTIONS_OPTION_TYPES_H
#define QUARN_MAIL_POSTFIX_OPTIONS_OPTION_TYPES_H

#include <cstdint>
#include <string>
#include <vector>

#include <boost/any.hpp>

namespace quarn::mail::postfix::mxwarden_commands {

/// A network prefix length, 0 to 128.
struct IPMask {
    uint16_t prefixLength = 0;
};

/// The account-name format: 0 "compound", 1 "both".
struct ShortnameFormat {
    int format = 0;
};

enum MailComponents : unsigned int {
    MTA = 1,
    SMTP = 2,
    SMTPS = 4,
    SUBMISSION = 8,
    POP3 = 16,
    IMAP = 32,
    POP3S = 64,
    IMAPS = 128,
    MILTER = 256,
    ALL = 65535
};

/// The OR of the components named on the command line; 0 when none was.
struct SelectedMailComponents {
    unsigned int mask = 0;
};

void validate(boost::any& v, const std::vector<std::string>& values, IPMask*, int);
void validate(boost::any& v, const std::vector<std::string>& values, ShortnameFormat*, int);
void validate(boost::any& v, const std::vector<std::string>& values,
              SelectedMailComponents*, int);

}  // namespace quarn::mail::postfix::mxwarden_commands

#endif
