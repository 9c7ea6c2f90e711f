// The sender-transport commands: make a domain's mail leave from chosen
// addresses, and undo it.
#include "mail/postfix/commands/commands.h"

#include <string>

#include <boost/program_options/value_semantic.hpp>

#include "mail/postfix/options/missing_mandatory_option.h"
#include "mail/postfix/options/name_check.h"
#include "mail/postfix/options/program_options_helper.h"
#include "mail/postfix/config/sender_transport_manager.h"
#include "mail/postfix/services/service_manager.h"

namespace po = boost::program_options;

namespace quarn::mail::postfix::mxwarden_commands {

namespace {

/// The value of an optional text option, empty when it is absent.
std::string optional(const ProgramOptionsHelper& options, const char* name) {
    return options.has(name) ? options.get<std::string>(name) : std::string();
}

/// The domain of the command, checked before anything changes.
std::string domainOption(const ProgramOptionsHelper& options) {
    return checkedDomainName(options.get<std::string>("domain-name"));
}

}  // namespace

int addDomainToIpTransport(int argc, char** argv) {
    ProgramOptionsHelper options("add sender transport for domain",
                                 "--add-domain-to-sender-transport --domain-name=<domain> "
                                 "[--ip4-addr=<ip_address>] [--ip6-addr=<ip_address>]");
    options.addOptions()
        ("domain-name", po::value<std::string>(), "domain name", true)
        ("ip4-addr", po::value<std::string>(), "ipv4 address")
        ("ip6-addr", po::value<std::string>(), "ipv6 address");
    standardOptionsParse(options, argc, argv);
    const std::string ip4 = optional(options, "ip4-addr");
    const std::string ip6 = optional(options, "ip6-addr");
    if (ip4.empty() && ip6.empty())
        throw MissingMandatoryOption("ip4-addr or ip6-addr");
    const std::string domain = domainOption(options);
    // The manager refuses a bad address before it touches master.cf, so a
    // refusal leaves both the service and the mapping as they were.
    SenderTransportManager::AddTransport(ip4, ip6);
    SenderTransportManager::addDomainToTransport(domain, ip4, ip6);
    ServiceManager::restartServer();
    return 0;
}

int removeDomainFromIpTransport(int argc, char** argv) {
    ProgramOptionsHelper options("remove domain from sender transports",
                                 "--remove-domain-from-sender-transport --domain-name=<domain>");
    options.addOptions()("domain-name", po::value<std::string>(), "domain name", true);
    standardOptionsParse(options, argc, argv);
    SenderTransportManager::removeDomainFromSenderTransport(domainOption(options));
    ServiceManager::restartServer();
    return 0;
}

int removeIPTransport(int argc, char** argv) {
    ProgramOptionsHelper options("remove sender transport",
                                 "--remove-sender-transport --ip-addr=<ip_address>");
    options.addOptions()("ip-addr", po::value<std::string>(), "ip address");
    standardOptionsParse(options, argc, argv);
    // Not declared mandatory: an absent address fails here, before any change.
    SenderTransportManager::removeTransport(options.get<std::string>("ip-addr"));
    ServiceManager::restartServer();
    return 0;
}

}  // namespace quarn::mail::postfix::mxwarden_commands
