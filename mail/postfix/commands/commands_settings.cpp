// The server settings commands: message size, mailbox limit, account format,
// DNS block lists, the relay white list and the sender black list. Postfix's
// reload ends a change; its result is not judged, as the change is made.
#include "mail/postfix/commands/commands.h"

#include <cstdint>
#include <iostream>
#include <string>
#include <vector>

#include <boost/algorithm/string/classification.hpp>
#include <boost/algorithm/string/split.hpp>
#include <boost/program_options/value_semantic.hpp>

#include "lib/errors/errors.h"
#include "mail/lib/files/courier_settings.h"
#include "mail/postfix/options/name_check.h"
#include "mail/postfix/options/option_types.h"
#include "mail/postfix/options/program_options_helper.h"
#include "mail/postfix/config/settings_manager.h"
#include "mail/postfix/services/service_manager.h"

namespace po = boost::program_options;

namespace quarn::mail::postfix::mxwarden_commands {

namespace {

const char* const SHORTNAMES_REFUSED = "short account-format is not supported for Postfix";

/// Every zone of every occurrence, split at blanks and commas.
std::vector<std::string> splitZones(const std::vector<std::string>& occurrences) {
    std::vector<std::string> zones;
    for (const std::string& occurrence : occurrences) {
        std::vector<std::string> pieces;
        boost::algorithm::split(pieces, occurrence, boost::algorithm::is_any_of(" \t,"),
                                boost::algorithm::token_compress_on);
        for (const std::string& piece : pieces)
            if (!piece.empty())
                zones.push_back(piece);
    }
    return zones;
}

/// One domain-name option, parsed and converted.
std::string parseDomainOption(const char* description, const char* syntax, int argc,
                              char** argv) {
    ProgramOptionsHelper options(description, syntax);
    options.addOptions()("domain-name", po::value<std::string>(), "domain name", true);
    standardOptionsParse(options, argc, argv);
    return checkedDomainName(options.get<std::string>("domain-name"));
}

}  // namespace

// Arguments are ignored: the panel calls it bare.
int getMaxLetterSize(int, char**) {
    std::cout << SettingsManager::getMessageSizeLimit() << std::endl;
    return 0;
}

int getMailboxLimit(int, char**) {
    std::cout << SettingsManager::getMailboxSizeLimit() << std::endl;
    return 0;
}

int setMaxLetterSize(int argc, char** argv) {
    ProgramOptionsHelper options("set maximal letter size",
                                 "--set-max-letter-size --size=<size_in_bytes>");
    options.addOptions()("size", po::value<int64_t>(), "letter size", true);
    standardOptionsParse(options, argc, argv);
    SettingsManager::setMessageSizeLimit(options.get<int64_t>("size"));
    ServiceManager::reloadServer();
    return 0;
}

int setAccountsFormat(int argc, char** argv) {
    ProgramOptionsHelper options("set accounts format",
                                 "--set-accounts-format --account-format=\"compound\"");
    options.addOptions()("account-format", po::value<ShortnameFormat>(),
                         "Accounts format (currently only compound supported)", true);
    standardOptionsParse(options, argc, argv);
    if (options.get<ShortnameFormat>("account-format").format != 0)
        throw NotSupportedError(SHORTNAMES_REFUSED);
    return set_courier_shortnames_params(0) == 0 ? 0 : 1;
}

int setMapsProtection(int argc, char** argv) {
    ProgramOptionsHelper options("set MAPS protection",
                                 "--set-maps-protection [--maps-zones=<zone1,zone2,...,zoneN>]");
    options.addOptions()("maps-zones", po::value<std::vector<std::string>>(), "MAPS zones");
    standardOptionsParse(options, argc, argv);
    std::vector<std::string> zones;
    if (options.has("maps-zones"))
        zones = splitZones(options.get<std::vector<std::string>>("maps-zones"));
    SettingsManager::setRBLHosts(zones.begin(), zones.end());
    ServiceManager::reloadServer();
    return 0;
}

int addWhiteList(int argc, char** argv) {
    ProgramOptionsHelper options("add a network to whitelist",
                                 "--add-whitelist --ip-address=<ip_address> --netmask=<netmask>");
    formWhitelistOptions(options);
    standardOptionsParse(options, argc, argv);
    SettingsManager::addWhiteNetwork(options.get<std::string>("ip-address"),
                                     options.get<IPMask>("netmask").prefixLength);
    ServiceManager::reloadServer();
    return 0;
}

// The netmask is required, as for adding, but not used: every network with
// the address goes.
int removeWhiteList(int argc, char** argv) {
    ProgramOptionsHelper options("remove a network from whitelist",
                                 "--remove-whitelist --ip-address=<ip_address>");
    formWhitelistOptions(options);
    standardOptionsParse(options, argc, argv);
    SettingsManager::removeWhiteNetwork(options.get<std::string>("ip-address"));
    ServiceManager::reloadServer();
    return 0;
}

int addBadMailFrom(int argc, char** argv) {
    SettingsManager::addBlackDomain(parseDomainOption(
        "add a badmailfrom", "--add-badmailfrom --domain-name=<domain>", argc, argv));
    return 0;
}

int removeBadMailFrom(int argc, char** argv) {
    SettingsManager::removeBlackDomain(parseDomainOption(
        "remove a badmailfrom", "--remove-badmailfrom --domain-name=<domain>", argc, argv));
    return 0;
}

}  // namespace quarn::mail::postfix::mxwarden_commands
