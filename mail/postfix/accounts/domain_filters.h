// Element filters over domain names for rewriting tables from their dumps:
// dropping what lies in a domain, and moving names to another domain.
#ifndef QUARN_MAIL_POSTFIX_ACCOUNTS_DOMAIN_FILTERS_H
#define QUARN_MAIL_POSTFIX_ACCOUNTS_DOMAIN_FILTERS_H

#include <string>

namespace quarn::mail::postfix {

/// Whether `name` is `domain`, ends with "@" + `domain`, or (with
/// `withSubdomains`) ends with "." + `domain`.  The domain part compares
/// without regard to ASCII case.
bool liesInDomain(const std::string& name, const std::string& domain, bool withSubdomains);

/// Keeps the names that do not lie in the domain.
class NotInDomainFilter {
public:
    NotInDomainFilter(const std::string& domain, bool withSubdomains)
        : domain_(domain), withSubdomains_(withSubdomains) {}

    bool operator()(const std::string& name) const {
        return !liesInDomain(name, domain_, withSubdomains_);
    }

private:
    std::string domain_;
    bool withSubdomains_;
};

/// Moves names of the old domain to the new one: the domain itself, and the
/// part after "@" (or ".", with `withSubdomains`), found whatever its
/// case.  Keeps every name.
class ReplaceDomainPart {
public:
    ReplaceDomainPart(const std::string& oldDomain, const std::string& newDomain,
                      bool withSubdomains)
        : oldDomain_(oldDomain), newDomain_(newDomain), withSubdomains_(withSubdomains) {}

    bool operator()(std::string& name) const;

private:
    std::string oldDomain_;
    std::string newDomain_;
    bool withSubdomains_;
};

}  // namespace quarn::mail::postfix

#endif
