// The panel's configuration file with the compiled-in defaults of the
// variables this system knows, read once per process.
#ifndef QUARN_LIB_PANEL_VEL_CONF_H
#define QUARN_LIB_PANEL_VEL_CONF_H

#include "lib/panel/conf.h"

#include <memory>
#include <string>

/// The panel's configuration file.
extern const char* const VEL_CONF_PATH;

/// Known variables; the first and the last index are bounds, not settings.
enum VelConfVarIndexT {
    MIN_POSSIBLE_VEL_CONF_VAR = 0,
    QUARN_MAILNAMES_D,
    COURIER_IMAP_ROOT_D,
    RBLSMTPD,
    CLIENT_PHP_BIN,
    LIB_CRYPTO_PATH,
    LIB_SSL_PATH,
    AWSTATS_DOC_D,
    AWSTATS_TOOLS_D,
    AWSTATS_BIN_D,
    AWSTATS_ETC_D,
    CATALINA_HOME,
    MAILMAN_VAR_D,
    MAILMAN_ROOT_D,
    PGSQL_DATA_D,
    PGSQL_BIN_D,
    MYSQL_BIN_D,
    MYSQL_VAR_D,
    WEB_STAT,
    DUMP_D,
    DUMP_TMP_D,
    NAMED_RUN_ROOT_D,
    FTPD_CONF_INC,
    HTTPD_SERVICE,
    HTTPD_LOG_D,
    HTTPD_INCLUDE_D,
    HTTPD_CONF_D,
    HTTPD_VHOSTS_D,
    PRODUCT_ROOT_D,
    NAMED_OPTIONS_CONF,
    NAMED_ZONES_CONF,
    MAX_POSSIBLE_VEL_CONF_VAR,
};

/// The value of `name` in the panel's configuration file, or null when the
/// file does not set it or cannot be read.
const char* velConfGet(const char* name);
/// velConfGet of the variable's name, remembered once it has a value.
const char* velConfGetByIndex(VelConfVarIndexT index);
/// The file's value, else the compiled-in default; null for a bad index.
const char* velConfGetDefaultByIndex(VelConfVarIndexT index);
/// velConfGetDefaultByIndex of a variable given by name; null and a log
/// message for a name this system does not know.
const char* velConfGetDefault(const char* name);

namespace quarn {

/// The lookups of one configuration file, read on first use and then kept;
/// a failed read is tried again by the next lookup. The functions above use
/// the one store of VEL_CONF_PATH.
class VelConfStore {
public:
    explicit VelConfStore(std::string path);
    ~VelConfStore();
    VelConfStore(const VelConfStore&) = delete;
    VelConfStore& operator=(const VelConfStore&) = delete;

    const char* get(const char* name);
    const char* getByIndex(VelConfVarIndexT index);
    const char* getDefaultByIndex(VelConfVarIndexT index);
    const char* getDefault(const char* name);

private:
    bool load();

    std::string path_;
    std::unique_ptr<conf_data> conf_;
    // Pointers into conf_, which never changes once read.
    const char* byIndex_[MAX_POSSIBLE_VEL_CONF_VAR + 1] = {};
};

}  // namespace quarn

#endif
