// The relay policy as the head of smtpd_recipient_restrictions.
#ifndef QUARN_MAIL_POSTFIX_CONFIG_SMTPD_RECIPIENT_RESTRICTIONS_FILTER_H
#define QUARN_MAIL_POSTFIX_CONFIG_SMTPD_RECIPIENT_RESTRICTIONS_FILTER_H

#include <string>
#include <vector>

namespace quarn::mail::postfix {

enum SmtpdRecipientRestrictionsRelayEnum {
    RELAY_AUTHENTICATED = 0,  ///< own networks and SMTP-authenticated clients
    RELAY_OWN_NETWORKS = 1,   ///< own networks only
    RELAY_OPEN = 2,           ///< anyone
};

/// The filter of MainCfManager::filterStringValues for the relay policy:
/// the mode's restrictions first, then the policy services that other
/// components placed there, in their order; everything else goes.
class SmtpdRecipientRestrictionsFilter {
public:
    explicit SmtpdRecipientRestrictionsFilter(SmtpdRecipientRestrictionsRelayEnum mode)
        : mode_(mode) {}

    std::vector<std::string> leadingElements() const;
    const std::vector<std::string>& keptPrefixes() const;

private:
    SmtpdRecipientRestrictionsRelayEnum mode_;
};

}  // namespace quarn::mail::postfix

#endif
