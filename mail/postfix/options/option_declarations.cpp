#include "mail/postfix/options/option_declarations.h"

namespace quarn::mail::postfix::mxwarden_commands {

namespace {
bool declarationsOnly = false;
}  // namespace

void readDeclarationsOnly() { declarationsOnly = true; }

bool readingDeclarationsOnly() { return declarationsOnly; }

}  // namespace quarn::mail::postfix::mxwarden_commands
