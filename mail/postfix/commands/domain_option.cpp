#include "mail/postfix/commands/domain_option.h"

#include <boost/program_options/value_semantic.hpp>

#include "mail/postfix/options/name_check.h"

namespace po = boost::program_options;

namespace quarn::mail::postfix::mxwarden_commands {

void addDomainNameOption(ProgramOptionsHelper& options) {
    options.addOptions()("domain-name", po::value<std::string>(), "domain name", true);
}

std::string checkedDomainOption(const ProgramOptionsHelper& options) {
    return checkedDomainName(options.get<std::string>("domain-name"));
}

std::string parseDomainOnlyRaw(const char* description, const char* syntax, int argc,
                               char** argv) {
    ProgramOptionsHelper options(description, syntax);
    addDomainNameOption(options);
    standardOptionsParse(options, argc, argv);
    return options.get<std::string>("domain-name");
}

std::string parseDomainOnly(const char* description, const char* syntax, int argc,
                            char** argv) {
    return checkedDomainName(parseDomainOnlyRaw(description, syntax, argc, argv));
}

}  // namespace quarn::mail::postfix::mxwarden_commands
