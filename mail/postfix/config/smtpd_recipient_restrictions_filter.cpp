#include "mail/postfix/config/smtpd_recipient_restrictions_filter.h"

namespace quarn::mail::postfix {

namespace {

// Clients that may not relay even from a permitted network.
const char* const SENDER_ACCESS = "check_client_access pcre:/var/spool/postfix/quarn/no_relay.re";

}  // namespace

std::vector<std::string> SmtpdRecipientRestrictionsFilter::leadingElements() const {
    switch (mode_) {
    case RELAY_AUTHENTICATED:
        return {"permit_mynetworks", SENDER_ACCESS, "permit_sasl_authenticated",
                "reject_unauth_destination"};
    case RELAY_OWN_NETWORKS:
        return {"permit_mynetworks", SENDER_ACCESS, "reject_unauth_destination"};
    case RELAY_OPEN:
        return {"permit", SENDER_ACCESS, "reject"};
    }
    return {};
}

const std::vector<std::string>& SmtpdRecipientRestrictionsFilter::keptPrefixes() const {
    static const std::vector<std::string> prefixes{"check_policy_service"};
    return prefixes;
}

}  // namespace quarn::mail::postfix
