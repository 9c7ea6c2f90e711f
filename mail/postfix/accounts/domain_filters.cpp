#include "mail/postfix/accounts/domain_filters.h"

namespace quarn::mail::postfix {

namespace {

// Whether `name` ends with `domain` right after the character `separator`.
bool endsAfter(const std::string& name, const std::string& domain, char separator) {
    if (name.size() <= domain.size())
        return false;
    const std::size_t start = name.size() - domain.size();
    return name[start - 1] == separator && name.compare(start, domain.size(), domain) == 0;
}

}  // namespace

bool liesInDomain(const std::string& name, const std::string& domain, bool withSubdomains) {
    return name == domain || endsAfter(name, domain, '@') ||
           (withSubdomains && endsAfter(name, domain, '.'));
}

bool ReplaceDomainPart::operator()(std::string& name) const {
    if (name == oldDomain_)
        name = newDomain_;
    else if (endsAfter(name, oldDomain_, '@') ||
             (withSubdomains_ && endsAfter(name, oldDomain_, '.')))
        name.replace(name.size() - oldDomain_.size(), oldDomain_.size(), newDomain_);
    return true;
}

}  // namespace quarn::mail::postfix
