#include "mail/lib/quota/maildirpp_group_quota.h"

#include <mysql.h>

#include <cerrno>

#include "lib/panel/mysql_handle.h"
#include "mail/lib/quota/maildirpp_quota.h"
#include "mail/lib/quota/quota_log.h"
#include "mail/lib/quota/quota_panel.h"

namespace {

// A mailbox follows the domain default when its own quota is -1 or no
// number at all (NULL included).
bool followsDefault(const char* mbox_quota) {
    sizequota_t own;
    return !panel_quota_value(mbox_quota, &own) || own == -1;
}

}  // namespace

int store_default_mbox_quota(const char* DomainName, sizequota_t quota) {
    quarn::MysqlHandle my(quota_panel_connect());
    if (!my)
        return 0;
    char query[QUOTA_QUERY_MAX];
    if (!quota_domain_query(my.get(), query, sizeof query,
                            "SELECT m.mail_name, m.mbox_quota FROM mail m, domains d "
                            "WHERE d.id = m.dom_id AND d.name='%s' ",
                            DomainName))
        return 0;
    if (mysql_query(my.get(), query) != 0) {
        quota_log(0, "Unable to query mailnames: %s", mysql_error(my.get()));
        return 0;
    }
    quarn::MysqlResult result(mysql_store_result(my.get()));
    if (!result) {
        quota_log(0, "Unable to query mailnames: %s", mysql_error(my.get()));
        return 0;
    }
    while (MYSQL_ROW row = mysql_fetch_row(result.get())) {
        if (!row[0] || !followsDefault(row[1]))
            continue;
        if (!store_mbox_quota(DomainName, row[0], quota)) {
            quota_log(errno, "unable to set default mbox quota for domain '%s' (processing '%s')",
                      DomainName, row[0]);
            return 0;
        }
    }
    return 1;
}

int rm_default_mbox_quota(const char* DomainName) {
    return store_default_mbox_quota(DomainName, -1);
}

int store_domain_quota(const char* MailDomain, sizequota_t quota) {
    return store_default_mbox_quota(MailDomain, quota);
}

int rm_domain_quota(const char* MailDomain) { return rm_default_mbox_quota(MailDomain); }
