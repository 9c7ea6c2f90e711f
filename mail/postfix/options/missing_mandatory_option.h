// A mandatory option that the command line lacks.  It is an option error, so
// the handlers report it like any other one.
#ifndef QUARN_MAIL_POSTFIX_OPTIONS_MISSING_MANDATORY_OPTION_H
#define QUARN_MAIL_POSTFIX_OPTIONS_MISSING_MANDATORY_OPTION_H

#include <string>

#include <boost/program_options/errors.hpp>

namespace quarn::mail::postfix::mxwarden_commands {

class MissingMandatoryOption : public boost::program_options::error {
public:
    /// `name`: the long option name without dashes.
    explicit MissingMandatoryOption(const std::string& name);
    ~MissingMandatoryOption() override;
};

}  // namespace quarn::mail::postfix::mxwarden_commands

#endif
