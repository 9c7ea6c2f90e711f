// Flags, lookup results and visitors of the mail-authentication database.
#ifndef QUARN_MAIL_LIB_AUTH_MAIL_AUTH_TYPES_H
#define QUARN_MAIL_LIB_AUTH_MAIL_AUTH_TYPES_H

#include "lib/util/malloc_string.h"

#include <cstdint>

using MailAuthFlagsT = std::uint8_t;

enum MailAuthFlagsValues : MailAuthFlagsT {
    MAIL_AUTH_CRYPTED = 1,          // the panel's crypted form, stored unchanged
    MAIL_AUTH_DISABLED = 2,         // the mailbox is disabled
    MAIL_DOMAIN_AUTH_DISABLED = 4,  // the domain is disabled
    MAIL_AUTH_DO_NOT_CHANGE = 8,    // domain lookup only: never create the row
};

enum MailPasswdSymmetricCipherOp {
    MAIL_PASSWD_DECRYPT = 0,
    MAIL_PASSWD_ENCRYPT = 1,
};

/// One user as get_user_data finds it; `name` stays null when there is none.
struct passwd_type_t {
    quarn::MallocString name;
    quarn::MallocString passwd;  // whichever password column is set
    MailAuthFlagsT flags = 0;
};

/// Called for each user of an iteration; a positive result asks for the
/// next one, anything else stops and becomes the iteration's result.
using MailAuthVisitor = int (*)(const char* mailAddress, const char* password, MailAuthFlagsT flags,
                                void* data);

#endif
