// The DomainKeys commands: store an uploaded signing key for domains, and
// remove it.
#include "mail/postfix/commands/commands.h"

#include <cerrno>
#include <cstring>
#include <ostream>
#include <string>
#include <unistd.h>

#include <boost/program_options/value_semantic.hpp>

#include "lib/errors/uerr.h"
#include "mail/lib/files/domain_keys.h"
#include "mail/postfix/commands/domain_option.h"
#include "mail/postfix/options/name_check.h"

namespace po = boost::program_options;

namespace quarn::mail::postfix::mxwarden_commands {

namespace {

/// Each domain of a comma-separated list checked, joined again by commas.
std::string checkedDomainList(const std::string& list) {
    std::string checked;
    std::string::size_type start = 0;
    for (;;) {
        const std::string::size_type comma = list.find(',', start);
        checked += checkedDomainName(list.substr(start, comma - start));
        if (comma == std::string::npos)
            return checked;
        checked += ',';
        start = comma + 1;
    }
}

}  // namespace

int setDomainKey(int argc, char** argv) {
    ProgramOptionsHelper options(
        "set DomainKey",
        "--set-domain-key --domain-name=<domain,domain,... > --file-name=<full_file_name>");
    addDomainNameOption(options);
    options.addOptions()("file-name", po::value<std::string>(), "full path to uploaded key",
                         true);
    standardOptionsParse(options, argc, argv);
    const std::string domains = checkedDomainList(options.get<std::string>("domain-name"));
    const std::string& file = options.get<std::string>("file-name");

    const int result = set_domain_key(domains.c_str(), file.c_str());
    if (result == -1)
        return 1;
    // The upload is dropped only once every key is in place.
    if (result == 0 && unlink(file.c_str()) != 0)
        uerr << "WARNING: unable to remove the uploaded key " << file << ": "
             << std::strerror(errno) << std::endl;
    return 0;
}

int removeDomainKey(int argc, char** argv) {
    const std::string domains = checkedDomainList(
        parseDomainOnlyRaw("remove DomainKey",
                           "--remove-domain-key --domain-name=<domain,domain,...>", argc, argv));
    return remove_domain_key(domains.c_str()) == -1 ? 1 : 0;
}

}  // namespace quarn::mail::postfix::mxwarden_commands
