// The panel's anti-spam and relay settings as Postfix configuration: message
// size limit, DNS block lists, black-listed sender domains, white-listed
// networks and the relay policy. Nothing here reloads Postfix.
#ifndef QUARN_MAIL_POSTFIX_CONFIG_SETTINGS_MANAGER_H
#define QUARN_MAIL_POSTFIX_CONFIG_SETTINGS_MANAGER_H

#include <cstdint>
#include <string>
#include <vector>

#include <boost/logic/tribool.hpp>

#include "mail/postfix/tables/batch_database_helper.h"

namespace quarn::mail::postfix {

/// The table of black-listed sender domains: key a domain, value "REJECT".
extern const char* const BLACKLISTS_MAP;
/// The mynetworks element of clients that authenticated by POP3 lately.
extern const char* const POPLOCK_MAP;

class SettingsManager {
public:
    static long long getMailboxSizeLimit();
    static long long getMessageSizeLimit();
    /// 0 stands for "no limit" and is written as the mailbox size limit.
    static void setMessageSizeLimit(long long limit);

    /// Replaces the RBL checks of smtpd_client_restrictions by one per
    /// non-empty host, in order; other restrictions stay. Every host must be
    /// a domain name: anything else is refused before anything is written.
    template <class Iter>
    static void setRBLHosts(Iter first, Iter last) {
        setRBLHostList(std::vector<std::string>(first, last));
    }

    static void addBlackDomain(BatchDatabaseHelper& batch, const std::string& domain);
    static void addBlackDomain(const std::string& domain);
    /// Removing an absent domain succeeds.
    static void removeBlackDomain(const std::string& domain);

    /// Adds the network to mynetworks in Postfix's list form; an address
    /// that is not an IPv4 or IPv6 address or a prefix too wide for it is
    /// refused before anything is written.
    static void addWhiteNetwork(const std::string& address, uint16_t prefix);
    /// Drops every mynetworks element with the network's address, whatever
    /// its prefix; loopback networks are never removed.
    static void removeWhiteNetwork(const std::string& network);

    static void setOpenRelay();
    /// smtpAuth true/false sets SASL and the relay policy, indeterminate
    /// leaves both; popAuth true adds the POP3-before-SMTP map to mynetworks,
    /// otherwise removes it.
    static void setAuthRelay(boost::logic::tribool smtpAuth, boost::logic::tribool popAuth);

private:
    static void setRBLHostList(const std::vector<std::string>& hosts);
};

}  // namespace quarn::mail::postfix

#endif
