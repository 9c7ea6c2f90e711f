// The size a Maildir message file announces in its own name.
#ifndef QUARN_MAIL_LIB_QUOTA_MAILDIR_MESSAGE_SIZE_H
#define QUARN_MAIL_LIB_QUOTA_MAILDIR_MESSAGE_SIZE_H

#include "mail/lib/quota/quota_types.h"

/// The number after ",S=" in `name` when it is followed by ":" or by the
/// end of the name: true and `*size` set; false when the name holds no such
/// size and the file must be measured.
bool maildir_name_size(const char* name, sizequota_t* size);

#endif
