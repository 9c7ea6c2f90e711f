// The mailbox password that the panel hands over in the environment, never
// on the command line.
#ifndef QUARN_LIB_PANEL_ENVIROMENT_H
#define QUARN_LIB_PANEL_ENVIROMENT_H

#include <string>

/// Takes the password from VEL_PASSWORD (plain, isEncrypted 0) or else from
/// VEL_CRYPTED_PASSWORD (the panel's crypted form, isEncrypted 1), and
/// removes the variable it used from the environment. -1, with the password
/// empty and isEncrypted 0, when neither is set to a non-empty text.
int get_env_password(std::string* password, int* isEncrypted);

#endif
