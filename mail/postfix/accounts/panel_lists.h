// Names the panel database holds for a domain, as lists in the order the
// database returns them.  A failed query yields an empty list (the query
// logs its own message), so that an operation goes on with the domain alone.
#ifndef QUARN_MAIL_POSTFIX_ACCOUNTS_PANEL_LISTS_H
#define QUARN_MAIL_POSTFIX_ACCOUNTS_PANEL_LISTS_H

#include <string>
#include <vector>

namespace quarn::mail::postfix {

std::vector<std::string> panelDomainAliases(const std::string& domain);
std::vector<std::string> panelMailnames(const std::string& domain);
std::vector<std::string> panelMailAliases(const std::string& mailname,
                                          const std::string& domain);

}  // namespace quarn::mail::postfix

#endif
