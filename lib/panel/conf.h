// Reader of "NAME value" configuration files such as the panel's vel.conf:
// comments start with "#", a later definition of a name replaces the
// earlier one, and lookups after reading are binary searches.
#ifndef QUARN_LIB_PANEL_CONF_H
#define QUARN_LIB_PANEL_CONF_H

#include <string>
#include <vector>

/// One variable of a configuration file.
struct conf_entry {
    std::string key;
    std::string value;
};

/// The variables of a configuration; the vector holds entries, capacity and
/// count, and `sorted` tells whether lookups may search it by halves.
struct conf_data {
    std::vector<conf_entry> entries;
    bool sorted = false;
};

/// Empties the configuration and reserves its first 20 entries.
int conf_init_r(conf_data* conf);
/// Sets a variable, replacing an earlier value of the same name.
int conf_set_r(const char* name, const char* value, conf_data* conf);
/// Sorts the entries by name for the lookups that follow.
int conf_finalize_r(conf_data* conf);
/// The value of `name`, or null when it is not set. Valid until the
/// configuration is next changed.
const char* conf_get_r(const char* name, const conf_data* conf);
/// Adds the variables of the file at `path`, then sorts them. Bad lines are
/// logged and skipped; -1 only when the file cannot be opened or read.
int conf_read_file_r(const char* path, conf_data* conf);
/// Releases every entry.
int conf_free_r(conf_data* conf);

#endif
