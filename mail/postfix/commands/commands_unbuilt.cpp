// Commands whose handlers this build does not have yet. They fail honestly
// through the top-level report instead of pretending to succeed.
#include "mail/postfix/commands/commands.h"

#include <string>

#include "lib/errors/errors.h"

namespace quarn::mail::postfix::mxwarden_commands {

#define UNBUILT(name)                                                        \
    int name(int, char** argv) {                                             \
        throw quarn::NotSupportedError(std::string("command ") + argv[0]);   \
    }

UNBUILT(addMailname)
UNBUILT(removeMailname)
UNBUILT(renameMailname)
UNBUILT(addMailbox)
UNBUILT(removeMailbox)
UNBUILT(getMailboxSize)
UNBUILT(setPassword)
UNBUILT(setMailboxDiskQuota)
UNBUILT(addRedirect)
UNBUILT(removeRedirect)
UNBUILT(addAutoresponder)
UNBUILT(removeAutoresponder)
UNBUILT(addAlias)
UNBUILT(removeAlias)
UNBUILT(addDomain)
UNBUILT(removeDomain)
UNBUILT(enableDomain)
UNBUILT(disableDomain)
UNBUILT(setDomainDiskQuota)
UNBUILT(setBounce)
UNBUILT(setCatchAll)
UNBUILT(setReject)
UNBUILT(removeReject)
UNBUILT(updateSPF)
UNBUILT(addDomainAlias)
UNBUILT(removeDomainAlias)
UNBUILT(renameDomainAlias)
UNBUILT(addHandler)
UNBUILT(removeHandler)
UNBUILT(disableHandler)
UNBUILT(enableHandler)
UNBUILT(setDomainKey)
UNBUILT(removeDomainKey)
UNBUILT(setMailParams)
UNBUILT(addDomainToIpTransport)
UNBUILT(removeDomainFromIpTransport)
UNBUILT(removeIPTransport)

#undef UNBUILT

}  // namespace quarn::mail::postfix::mxwarden_commands
