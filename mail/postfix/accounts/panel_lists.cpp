#include "mail/postfix/accounts/panel_lists.h"

#include <memory>

#include "lib/panel/mysql_query.h"
#include "lib/panel/panel_queries.h"

namespace quarn::mail::postfix {

namespace {

using NamesOwner = std::unique_ptr<char*, decltype(&free_names_list)>;

std::vector<std::string> toList(int result, char** names) {
    NamesOwner owner(names, &free_names_list);
    std::vector<std::string> list;
    if (result < 0 || !names)
        return list;
    for (char** name = names; *name; ++name)
        list.emplace_back(*name);
    return list;
}

}  // namespace

std::vector<std::string> panelDomainAliases(const std::string& domain) {
    char** names = nullptr;
    int result = get_domaliases_by_domain(nullptr, &names, domain.c_str());
    return toList(result, names);
}

std::vector<std::string> panelMailnames(const std::string& domain) {
    char** names = nullptr;
    int result = get_mailnames_by_domain(nullptr, &names, domain.c_str());
    return toList(result, names);
}

std::vector<std::string> panelMailAliases(const std::string& mailname,
                                          const std::string& domain) {
    char** names = nullptr;
    int result = get_aliases_by_mailname(nullptr, &names, mailname.c_str(), domain.c_str());
    return toList(result, names);
}

}  // namespace quarn::mail::postfix
