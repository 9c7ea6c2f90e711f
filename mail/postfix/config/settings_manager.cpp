#include "mail/postfix/config/settings_manager.h"

#include <algorithm>
#include <deque>

#include "lib/net/ip_addr.h"
#include "lib/names/name_rules.h"
#include "mail/postfix/config/main_cf_manager.h"
#include "mail/postfix/config/smtpd_recipient_restrictions_filter.h"
#include "mail/postfix/tables/database_helper.h"
#include "mail/postfix/tables/postfix_errors.h"

namespace quarn::mail::postfix {

const char* const BLACKLISTS_MAP = "hash:/var/spool/postfix/quarn/blacklists";
const char* const POPLOCK_MAP = "hash:/var/spool/postfix/quarn/poplock";

namespace {

const char* const RBL_CHECK = "reject_rbl_client";

MainCfManager& mainCf() {
    return MainCfManager::getInstance();
}

// A key with a blank or a line break would be cut into another record by
// postmap.
void checkTableKey(const std::string& domain) {
    bool bad = domain.empty() || std::any_of(domain.begin(), domain.end(), [](unsigned char c) {
                   return c <= ' ' || c == 0x7f;
               });
    if (bad)
        throw PostfixDatabaseError("invalid domain name \"" + domain + "\"");
}

void rebuildRecipientRestrictions(SmtpdRecipientRestrictionsRelayEnum mode) {
    mainCf().filterStringValues("smtpd_recipient_restrictions",
                                SmtpdRecipientRestrictionsFilter(mode));
}

}  // namespace

long long SettingsManager::getMailboxSizeLimit() {
    return mainCf().getScalarValue<long long>("mailbox_size_limit");
}

long long SettingsManager::getMessageSizeLimit() {
    return mainCf().getScalarValue<long long>("message_size_limit");
}

void SettingsManager::setMessageSizeLimit(long long limit) {
    // Postfix stops accepting mail over a negative limit.
    if (limit < 0)
        throw PostfixConfigurationError("invalid message size limit " + std::to_string(limit));
    if (limit == 0)
        limit = getMailboxSizeLimit();
    mainCf().replaceScalarValue<long long>("message_size_limit", limit);
}

void SettingsManager::setRBLHostList(const std::vector<std::string>& hosts) {
    for (const std::string& host : hosts)
        if (!host.empty() && !isValidDomainName(host))
            throw PostfixConfigurationError("invalid MAPS zone \"" + host + "\"");
    MainCfManager& cf = mainCf();
    MainCfManager::WriteLock hold(cf);
    std::vector<std::string> kept;
    for (const std::string& piece : MainCfManager::commaPieces(
             cf.getStringValue("smtpd_client_restrictions", false)))
        if (piece.find(RBL_CHECK) == std::string::npos)
            kept.push_back(piece);
    for (const std::string& host : hosts)
        if (!host.empty())
            kept.push_back(std::string(RBL_CHECK) + " " + host);
    cf.replaceStringValue("smtpd_client_restrictions",
                          MainCfManager::joinList(kept.begin(), kept.end()));
}

void SettingsManager::addBlackDomain(BatchDatabaseHelper& batch, const std::string& domain) {
    checkTableKey(domain);
    batch.addChange(BLACKLISTS_MAP, domain, "REJECT");
}

void SettingsManager::addBlackDomain(const std::string& domain) {
    BatchDatabaseHelper batch(true, true);
    addBlackDomain(batch, domain);
}

void SettingsManager::removeBlackDomain(const std::string& domain) {
    checkTableKey(domain);
    DatabaseHelper::removeRecord(BLACKLISTS_MAP, domain);
}

void SettingsManager::addWhiteNetwork(const std::string& address, uint16_t prefix) {
    Network::IPAnyAddr network(address, prefix);
    // A network Postfix cannot read makes smtpd defer all mail.
    if (!network.isValidNetwork())
        throw PostfixConfigurationError("invalid network \"" + address + "/" +
                                        std::to_string(prefix) + "\"");
    mainCf().appendStringValue("mynetworks", network.to_quoted_string());
}

void SettingsManager::removeWhiteNetwork(const std::string& network) {
    if (Network::isLoopbackIP(network))
        return;
    const Network::IPAnyAddr target(network);
    MainCfManager& cf = mainCf();
    MainCfManager::WriteLock hold(cf);
    std::deque<std::string> list, kept;
    cf.getList("mynetworks", list);
    bool dropped = false;
    for (const std::string& element : list) {
        if (element.empty())
            continue;
        if (Network::IPAnyAddr(element).addr_eq(target))
            dropped = true;
        else
            kept.push_back(element);
    }
    if (dropped)
        cf.setList("mynetworks", kept);
}

void SettingsManager::setOpenRelay() {
    rebuildRecipientRestrictions(RELAY_OPEN);
}

void SettingsManager::setAuthRelay(boost::logic::tribool smtpAuth, boost::logic::tribool popAuth) {
    if (smtpAuth) {
        mainCf().replaceStringValue("smtpd_sasl_auth_enable", "yes");
        rebuildRecipientRestrictions(RELAY_AUTHENTICATED);
    } else if (!smtpAuth) {
        mainCf().replaceStringValue("smtpd_sasl_auth_enable", "no");
        rebuildRecipientRestrictions(RELAY_OWN_NETWORKS);
    }
    if (popAuth)
        mainCf().appendStringValue("mynetworks", POPLOCK_MAP);
    else
        mainCf().removeListElement("mynetworks", POPLOCK_MAP);
}

}  // namespace quarn::mail::postfix
