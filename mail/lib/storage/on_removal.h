// What a removal does with the mail directories of a domain or mailname.
#ifndef QUARN_MAIL_LIB_STORAGE_ON_REMOVAL_H
#define QUARN_MAIL_LIB_STORAGE_ON_REMOVAL_H

namespace quarn {
namespace mail {

enum class OnRemoval {
    Keep = 0,    ///< leave them
    Remove = 1,  ///< delete them
    Backup = 2,  ///< rename them to the backup name
};

}  // namespace mail
}  // namespace quarn

#endif
