// Per-domain outgoing addresses: an smtp client service in master.cf bound
// to an address pair, and the sender domains mapped to it.
#ifndef QUARN_MAIL_POSTFIX_CONFIG_SENDER_TRANSPORT_MANAGER_H
#define QUARN_MAIL_POSTFIX_CONFIG_SENDER_TRANSPORT_MANAGER_H

#include <string>

#include "mail/postfix/config/module_info.h"

namespace quarn::mail::postfix {

/// The sender-dependent transport table.
extern const char* const SDD_TRANSPORT_MAPS;

class SenderTransportManager {
public:
    /// The smtp client service of an address pair (either may be empty).
    struct SenderTransport : ModuleInfo {
        SenderTransport(const std::string& ipv4, const std::string& ipv6);
    };

    /// ipv4 + "-" + ipv6 with every ":" turned into "-".
    static std::string getTransportName(const std::string& ipv4, const std::string& ipv6);

    /// Adds or replaces the pair's service in master.cf.
    static void AddTransport(const std::string& ipv4, const std::string& ipv6);
    /// Removes every service bound to `address`; the domains mapped to
    /// them are the caller's business.
    static void removeTransport(const std::string& address);
    /// Maps "@domain" to the pair's transport, replacing an older mapping.
    static void addDomainToTransport(const std::string& domain, const std::string& ipv4,
                                     const std::string& ipv6);
    /// Drops the domain's mapping; a domain without one is no error.
    static void removeDomainFromSenderTransport(const std::string& domain);

    /// The address in the form used in names and services: IPv4 as
    /// dotted quad, IPv6 compressed and in lower case, since master.cf
    /// names are compared byte for byte. Empty stays empty; anything that
    /// is not an address throws std::invalid_argument.
    static std::string canonicalAddress(const std::string& address, int family);
};

}  // namespace quarn::mail::postfix

#endif
