#include "mail/postfix/entry/dispatch.h"

#include <iostream>
#include <map>
#include <string>
#include <utility>

#include "lib/errors/report.h"
#include "mail/lib/auth/mail_auth_location.h"
#include "mail/postfix/commands/commands.h"
#include "mail/postfix/entry/help.h"

namespace quarn::mail::postfix {

using mxwarden_commands::Handler;
using CommandMap = std::map<std::string, Handler>;

namespace {

int usageShortCmd(int, char**) { usageShort(0, std::cout); }
int usageCommandsCmd(int, char**) { usageCommands(0, std::cout); }
int usageLegacyCmd(int, char**) { usageLegacy(0, std::cout); }

// Fills the table through chained calls and empties it when the run is
// over, so the table lives exactly as long as the dispatch.
class CommandMapAssigner {
public:
    explicit CommandMapAssigner(CommandMap& map) : map_(map) {}
    ~CommandMapAssigner() { map_.clear(); }
    CommandMapAssigner& operator()(const char* word, Handler handler) {
        map_.emplace(word, handler);
        return *this;
    }

private:
    CommandMap& map_;
};

void fillCommands(CommandMapAssigner& add) {
    using namespace mxwarden_commands;
    add
        ("--add-mailname", addMailname)
        ("--remove-mailname", removeMailname)
        ("--rename-mailname", renameMailname)
        ("--add-mailbox", addMailbox)
        ("--remove-mailbox", removeMailbox)
        ("--get-mailbox-size", getMailboxSize)
        ("--set-password", setPassword)
        ("--set-mailbox-disk-quota", setMailboxDiskQuota)
        ("--add-redirect", addRedirect)
        ("--remove-redirect", removeRedirect)
        ("--set-autoresponder", addAutoresponder)
        ("--reset-autoresponder", removeAutoresponder)
        ("--add-alias", addAlias)
        ("--remove-alias", removeAlias)
        ("--add-domain", addDomain)
        ("--remove-domain", removeDomain)
        ("--turn-on-domain", enableDomain)
        ("--turn-off-domain", disableDomain)
        ("--set-domain-disk-quota", setDomainDiskQuota)
        ("--add-badmailfrom", addBadMailFrom)
        ("--remove-badmailfrom", removeBadMailFrom)
        ("--set-bounce", setBounce)
        ("--set-catchall", setCatchAll)
        ("--set-reject", setReject)
        ("--unset-reject", removeReject)
        ("--add-whitelist", addWhiteList)
        ("--remove-whitelist", removeWhiteList)
        ("--set-maps-protection", setMapsProtection)
        ("--set-accounts-format", setAccountsFormat)
        ("--features", printFeatures)
        ("--set-max-letter-size", setMaxLetterSize)
        ("--get-max-letter-size", getMaxLetterSize)
        ("--get-mailbox-size-limit", getMailboxLimit)
        ("--list-attachments", listAttachments)
        ("--add-attachment", addAttachment)
        ("--remove-attachment", removeAttachment)
        ("--update-spf", updateSPF)
        ("--add-domain-alias", addDomainAlias)
        ("--del-domain-alias", removeDomainAlias)
        ("--rename-domain-alias", renameDomainAlias)
        ("--add-handler", addHandler)
        ("--update-handler", updateHandler)
        ("--remove-handler", removeHandler)
        ("--disable-handler", disableHandler)
        ("--enable-handler", enableHandler)
        ("--check-handler", checkHandler)
        ("--set-domain-key", setDomainKey)
        ("--remove-domain-key", removeDomainKey)
        ("--set-mail-params", setMailParams)
        ("--add-domain-to-sender-transport", addDomainToIpTransport)
        ("--remove-domain-from-sender-transport", removeDomainFromIpTransport)
        ("--remove-sender-transport", removeIPTransport)
        ("--start-service", startService)
        ("--stop-service", stopService)
        ("--restart-service", restartService)
        ("--reload-service", reloadService)
        ("--status-service", statusService)
        ("--start-smtpd", startSMTPD)
        ("-p", startSMTPD)
        ("--stop-smtpd", stopSMTPD)
        ("-o", stopSMTPD)
        ("--restart-smtpd", restartSMTPD)
        ("-r", restartSMTPD)
        ("--status-smtpd", statusMTA)
        ("-s", statusMTA)
        ("--start-qmail-send", startMTA)
        ("-l", startMTA)
        ("--stop-qmail-send", stopMTA)
        ("-m", stopMTA)
        ("--start-maild", startIMAP)
        ("-i", startIMAP)
        ("--stop-maild", stopIMAP)
        ("-t", stopIMAP)
        ("--restart-maild", restartIMAP)
        ("-z", restartIMAP)
        ("--status-maild", statusIMAP)
        ("-e", statusIMAP)
        ("--start-milter", startMilter)
        ("--stop-milter", stopMilter)
        ("--restart-milter", restartMilter)
        ("--status-milter", statusMilter)
        ("--enable-message-submission", enableSubmission)
        ("-a", enableSubmission)
        ("--disable-message-submission", disableSubmission)
        ("-b", disableSubmission)
        ("--help-commands", usageCommandsCmd)
        ("--help-legacy", usageLegacyCmd)
        ("--help", usageShortCmd)
        ("-h", usageShortCmd);
}

}  // namespace

int do_main(int argc, char** argv) {
    if (argc < 2)
        wrongUsage("no command specified");
    CommandMap commands;
    CommandMapAssigner assigner(commands);
    fillCommands(assigner);
    // Exact match only: no prefixes, and "--word=value" is not a command.
    CommandMap::const_iterator found = commands.find(argv[1]);
    if (found == commands.end())
        wrongUsage(std::string("invalid command ") + argv[1]);
    mailAuthDBSelectStyle(MAIL_AUTH_DB_POSTFIX_STYLE);
    return found->second(argc - 1, argv + 1);
}

CommandMap commandTable() {
    CommandMap commands;
    CommandMapAssigner assigner(commands);
    fillCommands(assigner);
    // The copy is made before the assigner empties the table.
    return CommandMap(commands);
}

int runReportingExceptions(const std::function<int()>& body) {
    try {
        return body();
    } catch (const std::exception& e) {
        quarn::reportException(e);
        return 1;
    } catch (...) {
        quarn::reportUntypedException();
        return 2;
    }
}

}  // namespace quarn::mail::postfix
