#include "mail/postfix/config/sender_transport_manager.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <algorithm>
#include <stdexcept>

#include "lib/names/name_rules.h"
#include "mail/postfix/config/module_manager.h"
#include "mail/postfix/tables/batch_database_helper.h"
#include "mail/postfix/tables/database_helper.h"

namespace quarn::mail::postfix {

const char* const SDD_TRANSPORT_MAPS = "hash:/var/spool/postfix/quarn/sdd_transport_maps";

namespace {

/// The address preference of the client: the family that is there.
std::string preference(const std::string& ipv4, const std::string& ipv6) {
    if (ipv4.empty())
        return "ipv6";
    if (ipv6.empty())
        return "ipv4";
    return "any";
}

/// The domain as it goes into a table key; std::invalid_argument otherwise.
void checkDomain(const std::string& domain) {
    if (!isValidDomainName(domain))
        throw std::invalid_argument("invalid domain name \"" + domain + "\"");
}

/// Both addresses in canonical form; at least one must be given.
std::pair<std::string, std::string> canonicalPair(const std::string& ipv4,
                                                  const std::string& ipv6) {
    if (ipv4.empty() && ipv6.empty())
        throw std::invalid_argument("neither an IPv4 nor an IPv6 address is given");
    return {SenderTransportManager::canonicalAddress(ipv4, AF_INET),
            SenderTransportManager::canonicalAddress(ipv6, AF_INET6)};
}

bool startsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

bool endsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace

SenderTransportManager::SenderTransport::SenderTransport(const std::string& ipv4,
                                                         const std::string& ipv6) {
    name = getTransportName(ipv4, ipv6);
    type = UNIX;
    unprivileged = false;
    chroot = false;
    command = {"smtp", "-o smtp_bind_address=" + ipv4, "-o smtp_bind_address6=" + ipv6,
               "-o smtp_address_preference=" + preference(ipv4, ipv6)};
}

std::string SenderTransportManager::getTransportName(const std::string& ipv4,
                                                     const std::string& ipv6) {
    std::string name = ipv4 + "-" + ipv6;
    std::replace(name.begin(), name.end(), ':', '-');
    return name;
}

std::string SenderTransportManager::canonicalAddress(const std::string& address, int family) {
    if (address.empty())
        return address;
    unsigned char binary[sizeof(struct in6_addr)];
    char text[INET6_ADDRSTRLEN];
    if (inet_pton(family, address.c_str(), binary) != 1 ||
        !inet_ntop(family, binary, text, sizeof text))
        throw std::invalid_argument(std::string("invalid ") +
                                    (family == AF_INET ? "IPv4" : "IPv6") + " address \"" +
                                    address + "\"");
    return text;
}

void SenderTransportManager::AddTransport(const std::string& ipv4, const std::string& ipv6) {
    auto pair = canonicalPair(ipv4, ipv6);
    ModuleManager& modules = ModuleManager::getInstance();
    modules.loadModules(false);
    modules.addModule(SenderTransport(pair.first, pair.second), true);
    modules.storeModules(false);
}

void SenderTransportManager::removeTransport(const std::string& address) {
    std::string canonical = address.find(':') == std::string::npos
                                ? canonicalAddress(address, AF_INET)
                                : canonicalAddress(address, AF_INET6);
    if (canonical.empty())
        throw std::invalid_argument("no address is given");
    ModuleManager& modules = ModuleManager::getInstance();
    modules.loadModules(false);
    std::string prefix = getTransportName(canonical, "");
    std::string suffix = getTransportName("", canonical);
    for (const ModuleInfo& info : modules.enabledModules())
        if (info.type == UNIX && (startsWith(info.name, prefix) || endsWith(info.name, suffix)))
            modules.removeModule(info.name, UNIX);
    modules.storeModules(false);
}

void SenderTransportManager::addDomainToTransport(const std::string& domain,
                                                  const std::string& ipv4,
                                                  const std::string& ipv6) {
    checkDomain(domain);
    auto pair = canonicalPair(ipv4, ipv6);
    BatchDatabaseHelper batch(true, true);
    batch.addChange(SDD_TRANSPORT_MAPS, "@" + domain,
                    getTransportName(pair.first, pair.second) + ":");
}

void SenderTransportManager::removeDomainFromSenderTransport(const std::string& domain) {
    checkDomain(domain);
    DatabaseHelper::removeRecord(SDD_TRANSPORT_MAPS, "@" + domain);
}

}  // namespace quarn::mail::postfix
