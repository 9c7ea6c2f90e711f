#include "mail/postfix/options/option_types.h"

#include <map>

#include <boost/program_options/errors.hpp>
#include <boost/program_options/value_semantic.hpp>

#include "lib/util/ascii_to_numeric.h"

namespace po = boost::program_options;

namespace quarn::mail::postfix::mxwarden_commands {

namespace {

const std::map<std::string, unsigned int>& componentNames() {
    static const std::map<std::string, unsigned int> names = {
        {"mta", MTA},     {"smtp", SMTP},   {"smtps", SMTPS}, {"submission", SUBMISSION},
        {"pop3", POP3},   {"imap", IMAP},   {"pop3s", POP3S}, {"imaps", IMAPS},
        {"milter", MILTER}, {"all", ALL},
    };
    return names;
}

}  // namespace

void validate(boost::any& v, const std::vector<std::string>& values, IPMask*, int) {
    po::validators::check_first_occurrence(v);
    const std::string& token = po::validators::get_single_string(values);
    uint16_t prefix = 0;
    if (!Util::ASCIIToNumeric(token, prefix) || prefix > 128)
        throw po::invalid_option_value(token);
    v = IPMask{prefix};
}

void validate(boost::any& v, const std::vector<std::string>& values, ShortnameFormat*, int) {
    po::validators::check_first_occurrence(v);
    const std::string& token = po::validators::get_single_string(values);
    if (token == "compound")
        v = ShortnameFormat{0};
    else if (token == "both")
        v = ShortnameFormat{1};
    else
        throw po::invalid_option_value(token);
}

// Called once per occurrence with the value gathered so far, which is how
// repeated occurrences accumulate into one mask.
void validate(boost::any& v, const std::vector<std::string>& values,
              SelectedMailComponents*, int) {
    if (v.empty())
        v = SelectedMailComponents{};
    SelectedMailComponents& selected = boost::any_cast<SelectedMailComponents&>(v);
    for (const std::string& token : values) {
        auto found = componentNames().find(token);
        if (found == componentNames().end())
            throw po::invalid_option_value("unknown component " + token);
        selected.mask |= found->second;
    }
}

}  // namespace quarn::mail::postfix::mxwarden_commands
