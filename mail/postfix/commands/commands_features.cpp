// The feature report command.
#include "mail/postfix/commands/commands.h"

#include <iostream>

#include "mail/postfix/config/features.h"

namespace quarn::mail::postfix::mxwarden_commands {

// Arguments are ignored: the panel calls it bare.
int printFeatures(int, char**) {
    printFeatureReport(std::cout);
    std::cout.flush();
    return 0;
}

}  // namespace quarn::mail::postfix::mxwarden_commands
