#include "lib/panel/enviroment.h"

#include <cstdlib>

namespace {

// Moves a non-empty variable out of the environment so that no program
// started later inherits the password.
bool takeVariable(const char* name, std::string* value) {
    const char* text = std::getenv(name);
    if (!text || !*text)
        return false;
    value->assign(text);
    unsetenv(name);
    return true;
}

}  // namespace

int get_env_password(std::string* password, int* isEncrypted) {
    password->clear();
    *isEncrypted = 0;
    if (takeVariable("VEL_PASSWORD", password))
        return 0;
    if (takeVariable("VEL_CRYPTED_PASSWORD", password)) {
        *isEncrypted = 1;
        return 0;
    }
    return -1;
}
