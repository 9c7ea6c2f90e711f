#include "mail/postfix/accounts/domain_filters.h"

#include <strings.h>

namespace quarn::mail::postfix {

namespace {

// Domain names compare without regard to case: postmap folds the keys it
// stores, and records written in another spelling must be found too.
bool sameDomain(const std::string& a, const std::string& b) {
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

// Whether `name` ends with `domain` right after the character `separator`.
bool endsAfter(const std::string& name, const std::string& domain, char separator) {
    if (name.size() <= domain.size())
        return false;
    const std::size_t start = name.size() - domain.size();
    return name[start - 1] == separator &&
           strncasecmp(name.data() + start, domain.data(), domain.size()) == 0;
}

}  // namespace

bool liesInDomain(const std::string& name, const std::string& domain, bool withSubdomains) {
    return sameDomain(name, domain) || endsAfter(name, domain, '@') ||
           (withSubdomains && endsAfter(name, domain, '.'));
}

bool ReplaceDomainPart::operator()(std::string& name) const {
    if (sameDomain(name, oldDomain_))
        name = newDomain_;
    else if (endsAfter(name, oldDomain_, '@') ||
             (withSubdomains_ && endsAfter(name, oldDomain_, '.')))
        name.replace(name.size() - oldDomain_.size(), oldDomain_.size(), newDomain_);
    return true;
}

}  // namespace quarn::mail::postfix
