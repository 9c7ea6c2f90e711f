// The mail-handler commands that moved to another utility.
#include "mail/postfix/commands/commands.h"

#include <ostream>

#include "lib/errors/uerr.h"

namespace quarn::mail::postfix::mxwarden_commands {

int updateHandler(int, char**) {
    quarn::uerr << "ERROR: this action is deprecated. Please use the hookwarden utlitity"
                << std::endl;
    return 1;
}

int checkHandler(int, char**) {
    quarn::uerr << "ERROR: This action is deprecated. Please use the hookwardens utility"
                << std::endl;
    return 1;
}

}  // namespace quarn::mail::postfix::mxwarden_commands
