#include "mail/lib/auth/mail_auth_propagate.h"

#include "lib/errors/log.h"
#include "lib/panel/mysql_query.h"
#include "lib/panel/panel_queries.h"
#include "lib/util/malloc_string.h"
#include "mail/lib/auth/mail_auth_domain.h"
#include "mail/lib/auth/mail_auth_user.h"

#include <memory>

namespace {

struct NamesListFree {
    void operator()(char** names) const noexcept { free_names_list(names); }
};
// A list of panel names, null for an empty list.
using NamesList = std::unique_ptr<char*, NamesListFree>;

// Result of a walk over `names`: 1 when there were any, 0 otherwise.
int walked(const NamesList& names) { return names && names.get()[0] ? 1 : 0; }

bool domainAliases(const char* domain, NamesList* list) {
    char** names = nullptr;
    int rc = get_domaliases_by_domain(nullptr, &names, domain);
    list->reset(names);
    return rc == 0;
}

bool mailAliases(const char* name, const char* domain, NamesList* list) {
    char** names = nullptr;
    int rc = get_aliases_by_mailname(nullptr, &names, name, domain);
    list->reset(names);
    return rc == 0;
}

// Runs `op` for `name` at the domain and then at each of its aliases,
// stopping at the first failure, which `failure` ("...%s@%s") tells.
template <class Op>
int atDomainAndAliases(const char* name, const char* domain, const char* failure, Op op) {
    if (op(domain) != 0) {
        quarn_log(3, failure, name, domain);
        return -1;
    }
    NamesList aliases;
    if (!domainAliases(domain, &aliases)) {
        quarn_log(3, "Unable to get domain aliases for domain %s", domain);
        return -1;
    }
    for (char** alias = aliases.get(); alias && *alias; ++alias)
        if (op(*alias) != 0) {
            quarn_log(3, failure, name, *alias);
            return -1;
        }
    return walked(aliases);
}

}  // namespace

int set_passwd_for_domains(const char* name, const char* domain, const char* passwd, int flags) {
    return atDomainAndAliases(name, domain, "Unable to set password for mailname %s@%s",
                              [&](const char* at) { return set_postbox_passwd(name, at, passwd, flags); });
}

int set_mass_postbox_passwd(const char* name, const char* domain, const char* passwd, int flags) {
    if (set_passwd_for_domains(name, domain, passwd, flags) < 0)
        return -1;
    NamesList aliases;
    if (!mailAliases(name, domain, &aliases)) {
        quarn_log(3, "Unable to get mail aliases for mailname %s%s", name, domain);
        return -1;
    }
    for (char** alias = aliases.get(); alias && *alias; ++alias)
        if (set_passwd_for_domains(*alias, domain, passwd, flags) < 0)
            return -1;
    return walked(aliases);
}

int rm_mname_from_domains(const char* name, const char* domain) {
    return atDomainAndAliases(name, domain, "Unable to remove mailname %s@%s",
                              [&](const char* at) { return mailAuthRemove(name, at); });
}

int rm_mails_from_domains(const char* name, const char* domain) {
    if (mailAuthRemove(name, domain) != 0) {
        quarn_log(3, "Unable to remove mailname %s@%s", name, domain);
        return -1;
    }
    if (rm_mname_from_domains(name, domain) < 0) {
        quarn_log(3, "Unable to remove mailname from domain aliases");
        return -1;
    }
    NamesList aliases;
    if (!mailAliases(name, domain, &aliases)) {
        quarn_log(3, "Unable to get mail aliases for mailname %s%s", name, domain);
        return -1;
    }
    for (char** alias = aliases.get(); alias && *alias; ++alias)
        if (rm_mname_from_domains(*alias, domain) < 0) {
            quarn_log(3, "Unable to remove mailname from domain aliases");
            return -1;
        }
    return walked(aliases);
}

int domain_auth_action(const char* domain, int (*func)(const char*), const char* descr) {
    if (func(domain) != 0) {
        quarn_log(3, "Unable to %s for domain %s", descr, domain);
        return -1;
    }
    NamesList aliases;
    if (!domainAliases(domain, &aliases)) {
        quarn_log(3, "Unable to get aliases for domain %s", domain);
        return -1;
    }
    for (char** alias = aliases.get(); alias && *alias; ++alias)
        if (func(*alias) != 0) {
            quarn_log(3, "Unable to %s for domain alias %s", descr, *alias);
            return -1;
        }
    return walked(aliases);
}

namespace {

// Clones `name` of the domain to the alias.
bool cloneTo(const char* name, const char* domain, const char* alias) {
    if (mailAuthClone(name, domain, name, alias) == 0)
        return true;
    quarn_log(3, "Unable to clone auth record for %s@%s", name, alias);
    return false;
}

}  // namespace

int add_domain_auth_alias(const char* domain, const char* alias) {
    NamesList mailnames;
    char** names = nullptr;
    int rc = get_mailnames_by_domain(nullptr, &names, domain);
    mailnames.reset(names);
    if (rc != 0) {
        quarn_log(3, "Unable to get mailnames from domain %s", domain);
        return -1;
    }
    for (char** mailname = mailnames.get(); mailname && *mailname; ++mailname) {
        NamesList aliases;
        if (!mailAliases(*mailname, domain, &aliases)) {
            quarn_log(3, "Unable to get mail aliases for %s@%s", *mailname, domain);
            return -1;
        }
        for (char** mailAlias = aliases.get(); mailAlias && *mailAlias; ++mailAlias)
            if (!cloneTo(*mailAlias, domain, alias))
                return -1;
        if (!cloneTo(*mailname, domain, alias))
            return -1;
    }
    return walked(mailnames);
}

int rm_domain_auth_alias(const char* alias) {
    if (mailAuthRemoveDomain(alias) != 0) {
        quarn_log(3, "Unable to remove domain %s from auth database", alias);
        return -1;
    }
    char* found = nullptr;
    int rc = get_domain_by_domainalias(nullptr, &found, alias);
    quarn::MallocString domain(found);
    if (rc != 0) {
        quarn_log(3, "Unable to get domain by domain alias %s", alias);
        return -1;
    }
    if (!domain)
        return 0;
    char** names = nullptr;
    rc = get_mailnames_by_domain(nullptr, &names, domain.get());
    NamesList mailnames(names);
    if (rc != 0) {
        quarn_log(3, "Unable to get mailnames from domain %s", domain.get());
        return -1;
    }
    for (char** mailname = mailnames.get(); mailname && *mailname; ++mailname) {
        NamesList aliases;
        if (!mailAliases(*mailname, domain.get(), &aliases)) {
            quarn_log(3, "Unable to get aliases for mailname %s@%s", *mailname, domain.get());
            return -1;
        }
        for (char** mailAlias = aliases.get(); mailAlias && *mailAlias; ++mailAlias)
            if (mailAuthRemove(*mailAlias, alias) != 0) {
                quarn_log(3, "Unable to remove mail alias %s@%s", *mailAlias, alias);
                return -1;
            }
    }
    return 0;
}
