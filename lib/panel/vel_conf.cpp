#include "lib/panel/vel_conf.h"

#include "lib/errors/log.h"

#include <cstring>
#include <new>
#include <syslog.h>

const char* const VEL_CONF_PATH = "/etc/vel/vel.conf";

namespace {

struct KnownVariable {
    const char* name;
    const char* value;
};

// Indexed by VelConfVarIndexT.
const KnownVariable KNOWN[MAX_POSSIBLE_VEL_CONF_VAR + 1] = {
    {"_MIN_POSSIBLE_VEL_CONF_VAR_NAME", "_MIN_POSSIBLE_VEL_CONF_VAR_VALUE"},
    {"QUARN_MAILNAMES_D", "/var/qmail/mailnames"},
    {"COURIER_IMAP_ROOT_D", "/"},
    {"RBLSMTPD", "/usr/sbin/rblsmtpd"},
    {"CLIENT_PHP_BIN", "/usr/local/vel/bin/php-cli"},
    {"LIB_CRYPTO_PATH", "/lib/libcrypto.so"},
    {"LIB_SSL_PATH", "/lib/libssl.so"},
    {"AWSTATS_DOC_D", "/usr/share/apache2/icons/awstats"},
    {"AWSTATS_TOOLS_D", "/usr/share/awstats"},
    {"AWSTATS_BIN_D", "/srv/www/cgi-bin/awstats"},
    {"AWSTATS_ETC_D", "/etc/awstats"},
    {"CATALINA_HOME", "/usr/share/tomcat"},
    {"MAILMAN_VAR_D", "/var/lib/mailman"},
    {"MAILMAN_ROOT_D", "/usr/lib/mailman"},
    {"PGSQL_DATA_D", "/var/lib/pgsql/data"},
    {"PGSQL_BIN_D", "/usr/bin"},
    {"MYSQL_BIN_D", "/usr/bin"},
    {"MYSQL_VAR_D", "/var/lib/mysql"},
    {"WEB_STAT", "/usr/bin/webalizer"},
    {"DUMP_D", "/var/lib/vel/dumps"},
    {"DUMP_TMP_D", "/tmp"},
    {"NAMED_RUN_ROOT_D", "/var/lib/named"},
    {"FTPD_CONF_INC", "/etc/proftpd.include"},
    {"HTTPD_SERVICE", "apache2"},
    {"HTTPD_LOG_D", "/var/log/apache2"},
    {"HTTPD_INCLUDE_D", "/etc/apache2/conf.d"},
    {"HTTPD_CONF_D", "/etc/apache2"},
    {"HTTPD_VHOSTS_D", "/srv/www/vhosts"},
    {"PRODUCT_ROOT_D", "/usr/local/vel"},
    {"NAMED_OPTIONS_CONF", "/etc/named.conf.include.quarn-options"},
    {"NAMED_ZONES_CONF", "/etc/named.conf.include.quarn-zones"},
    {"_MAX_POSSIBLE_VEL_CONF_VAR_NAME", "_MAX_POSSIBLE_VEL_CONF_VAR_VALUE"},
};

bool validIndex(int index) {
    return index >= MIN_POSSIBLE_VEL_CONF_VAR && index <= MAX_POSSIBLE_VEL_CONF_VAR;
}

}  // namespace

namespace quarn {

VelConfStore::VelConfStore(std::string path) : path_(std::move(path)) {}

VelConfStore::~VelConfStore() {
    if (conf_)
        conf_free_r(conf_.get());
}

bool VelConfStore::load() {
    if (conf_)
        return true;
    std::unique_ptr<conf_data> conf(new (std::nothrow) conf_data);
    if (!conf) {
        quarn_log(LOG_ERR, "Not enough memory to allocate Quarn runtime configuration structure\n");
        return false;
    }
    if (conf_init_r(conf.get()) < 0 || conf_read_file_r(path_.c_str(), conf.get()) < 0)
        return false;
    conf_ = std::move(conf);
    return true;
}

const char* VelConfStore::get(const char* name) {
    if (!load())
        return nullptr;
    return conf_get_r(name, conf_.get());
}

const char* VelConfStore::getByIndex(VelConfVarIndexT index) {
    if (!validIndex(index))
        return nullptr;
    if (!byIndex_[index]) {
        const char* value = get(KNOWN[index].name);
        if (value && *value)
            byIndex_[index] = value;
        return value;
    }
    return byIndex_[index];
}

const char* VelConfStore::getDefaultByIndex(VelConfVarIndexT index) {
    if (!validIndex(index))
        return nullptr;
    const char* value = getByIndex(index);
    return value ? value : KNOWN[index].value;
}

const char* VelConfStore::getDefault(const char* name) {
    // The upper bound is no variable of its own, the lower one is searched.
    for (int i = MIN_POSSIBLE_VEL_CONF_VAR; i < MAX_POSSIBLE_VEL_CONF_VAR; ++i) {
        if (std::strcmp(KNOWN[i].name, name) == 0)
            return getDefaultByIndex(static_cast<VelConfVarIndexT>(i));
    }
    quarn_log(LOG_ERR, "variable '%s' isn't found neither in %s nor in compile-time defaults\n",
              name, path_.c_str());
    return nullptr;
}

}  // namespace quarn

namespace {

// Built on first use, so that no lookup depends on the order of static
// initialisation.
quarn::VelConfStore& panelConf() {
    static quarn::VelConfStore store(VEL_CONF_PATH);
    return store;
}

}  // namespace

const char* velConfGet(const char* name) { return panelConf().get(name); }

const char* velConfGetByIndex(VelConfVarIndexT index) {
    return panelConf().getByIndex(index);
}

const char* velConfGetDefaultByIndex(VelConfVarIndexT index) {
    return panelConf().getDefaultByIndex(index);
}

const char* velConfGetDefault(const char* name) { return panelConf().getDefault(name); }
