#include "mail/postfix/lib/pop_auth.h"

#include "lib/util/file_str.h"

const char* const MILTER_SETTINGS_FILE = "/etc/sysconfig/vel-kx-remote";

namespace {
const char* const POP_AUTH_VARIABLE = "kx_milter_pop_before_smtp";
}

int enablePopAuth() {
    return file_str(MILTER_SETTINGS_FILE, "kx_milter_pop_before_smtp=1", FILE_STR_ADD, 1);
}

int disablePopAuth() {
    return file_str(MILTER_SETTINGS_FILE, POP_AUTH_VARIABLE, FILE_STR_REMOVE_MATCHING, 0);
}
