#include "mail/postfix/options/missing_mandatory_option.h"

namespace quarn::mail::postfix::mxwarden_commands {

MissingMandatoryOption::MissingMandatoryOption(const std::string& name)
    : boost::program_options::error("mandatory option \"--" + name + "\" is not specified") {}

MissingMandatoryOption::~MissingMandatoryOption() = default;

}  // namespace quarn::mail::postfix::mxwarden_commands
