// Mail for mailnames a domain does not have: catch-all, bounce or reject,
// for a domain with its aliases, or for one new domain alias.
#include "mail/postfix/commands/commands_domain_unknown.h"

#include <string>

#include <boost/program_options/value_semantic.hpp>

#include "lib/errors/log.h"
#include "mail/postfix/accounts/domain_manager.h"
#include "mail/postfix/commands/commands.h"
#include "mail/postfix/commands/domain_option.h"
#include "mail/postfix/options/missing_mandatory_option.h"
#include "mail/postfix/options/name_check.h"
#include "mail/postfix/tables/batch_database_helper.h"

namespace po = boost::program_options;

namespace quarn::mail::postfix::mxwarden_commands {

namespace {

/// The catch-all address is what the action will use: set-bounce wins.
bool catchallChosen(const ProgramOptionsHelper& options) {
    return options.has("set-catchall") && !options.has("set-bounce");
}

/// The phrase option's value, empty when absent.
std::string phraseOf(const ProgramOptionsHelper& options) {
    return options.has("phrase") ? options.get<std::string>("phrase") : std::string();
}

}  // namespace

void formNotexistingMailOptions(ProgramOptionsHelper& options) {
    options.addOptions()
        ("set-catchall", "set a domain catchall address")
        ("email", po::value<std::string>(), "catchall e-mail address")
        ("set-bounce", "set a domain bounce")
        ("phrase", po::value<std::string>(), "phrase")
        ("set-reject", "set domain reject flag");
}

void checkNotexistingMailOptions(const ProgramOptionsHelper& options) {
    if (catchallChosen(options) && options.has("email") &&
        !options.get<std::string>("email").empty())
        checkedAddress(options.get<std::string>("email"));
}

int processNotexistingMailnamesOptions(const ProgramOptionsHelper& options,
                                       const std::string& alias) {
    if (options.has("set-bounce") && !alias.empty()) {
        BatchDatabaseHelper batch(true, true);
        DomainManager::setBounceFor(batch, {alias}, phraseOf(options));
        return 0;
    }
    if (options.has("set-catchall") && !alias.empty()) {
        // Checked only now: the alias itself is already in place.
        if (!options.has("email") || options.get<std::string>("email").empty())
            throw MissingMandatoryOption("email");
        const std::string address = checkedAddress(options.get<std::string>("email"));
        BatchDatabaseHelper batch(true, true);
        DomainManager::createCatchallFor(batch, {alias}, address);
        return 0;
    }
    // Without a bounce or catch-all record the alias rejects them already.
    if (options.has("set-reject"))
        return 0;
    quarn_log(3, "Action for notexisting mail names is not specified "
                 "(--set-bounce/--set-catchall/--set-reject)");
    return 1;
}

int setCatchAll(int argc, char** argv) {
    ProgramOptionsHelper options(
        "set a domain catchall address",
        "--set-catchall --domain-name=<domain_name> --email=<email_address>");
    addDomainNameOption(options);
    options.addOptions()("email", po::value<std::string>(), "catchall e-mail address", true);
    standardOptionsParse(options, argc, argv);
    const std::string domain = checkedDomainOption(options);
    const std::string address = checkedAddress(options.get<std::string>("email"));
    DomainManager::createCatchall(domain, address);
    return 0;
}

int setBounce(int argc, char** argv) {
    ProgramOptionsHelper options(
        "set a domain bounce",
        "--set-bounce --domain-name=<domain_name> [--phrase=<phrase>]");
    addDomainNameOption(options);
    options.addOptions()("phrase", po::value<std::string>(), "phrase");
    standardOptionsParse(options, argc, argv);
    const std::string domain = checkedDomainOption(options);
    DomainManager::setBounce(domain, phraseOf(options));
    return 0;
}

// Rejection is the state without a catch-all or bounce record, so setting
// and unsetting it are the same removal.
int setReject(int argc, char** argv) {
    DomainManager::removeCatchall(parseDomainOnly(
        "set domain reject flag", "--set-reject --domain-name=<domain-name>", argc, argv));
    return 0;
}

int removeReject(int argc, char** argv) {
    DomainManager::removeCatchall(parseDomainOnly(
        "remove domain reject flag", "--unset-reject --domain-name=<domain-name>", argc, argv));
    return 0;
}

}  // namespace quarn::mail::postfix::mxwarden_commands
