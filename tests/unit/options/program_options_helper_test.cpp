#include "mail/postfix/options/program_options_helper.h"

#include <string>
#include <vector>

#include <boost/program_options/errors.hpp>
#include <gtest/gtest.h>

#include "mail/postfix/options/option_types.h"

namespace po = boost::program_options;
using namespace quarn::mail::postfix::mxwarden_commands;

namespace {

// The help text, the error report and the newest missing mandatory option
// are proved for every command word by tests/e2e/test_domain_life.py.

using Words = std::vector<std::string>;

// Parses `words` (the command word first) with `helper`: "" or the error.
std::string errorOf(ProgramOptionsHelper& helper, Words words) {
    std::vector<char*> argv;
    for (std::string& w : words)
        argv.push_back(&w[0]);
    argv.push_back(nullptr);
    try {
        helper.parse(static_cast<int>(words.size()), argv.data());
    } catch (const po::error& e) {
        return e.what();
    }
    return "";
}

const char* const SYNTAX = "--add-domain --domain-name=<domain> [--disk-quota=quota]";

struct AddDomainOptions {
    ProgramOptionsHelper helper{"add a domain", SYNTAX};
    AddDomainOptions() {
        helper.addOptions()
            ("domain-name", po::value<std::string>(), "domain name", true)
            ("disk-quota", po::value<long long>(), "disk quota");
    }
};

TEST(ProgramOptionsHelper, RejectsAbbreviationsBareWordsAndMissingValues) {
    for (const char* bad : {"--domain=example.net", "stray", "--domain-name"}) {
        AddDomainOptions o;
        EXPECT_NE("", errorOf(o.helper, {"--add-domain", "--domain-name=a", bad})) << bad;
    }
}

// "[value]" after parsing `words`, or the error message.
std::string mask(const Words& words) {
    ProgramOptionsHelper helper("w", "w");
    formWhitelistOptions(helper);
    const std::string error = errorOf(helper, words);
    return error.empty() ? "[" + std::to_string(helper.get<IPMask>("netmask").prefixLength) + "]"
                         : error;
}

std::string format(const Words& words) {
    ProgramOptionsHelper helper("f", "f");
    ShortnameFormat value{-1};
    helper.addOptions()("account-format", po::value<ShortnameFormat>(&value), "format", true);
    const std::string error = errorOf(helper, words);
    return error.empty() ? "[" + std::to_string(value.format) + "]" : error;
}

std::string components(const Words& words) {
    ProgramOptionsHelper helper("c", "c");
    SelectedMailComponents value;
    helper.addOptions()("mail-component", po::value<SelectedMailComponents>(&value), "component");
    const std::string error = errorOf(helper, words);
    return error.empty() ? "[" + std::to_string(value.mask) + "]" : error;
}

TEST(OptionTypes, ValuesAndErrors) {
    struct Case {
        const char* name;
        std::string (*parse)(const Words&);
        Words words;
        std::string want;  // "[value]" or a part of the error
    } cases[] = {
        // The plain values and the bounds are proved by the settings and
        // service words end to end.
        {"mask with blanks and plus", mask, {"--w", "--ip-address=a", "--netmask= +24 "}, "[24]"},
        {"mask -1", mask, {"--w", "--ip-address=a", "--netmask=-1"}, "is invalid"},
        {"mask 24x", mask, {"--w", "--ip-address=a", "--netmask=24x"}, "is invalid"},
        {"mask blank", mask, {"--w", "--ip-address=a", "--netmask= "}, "is invalid"},
        {"mask twice", mask, {"--w", "--ip-address=a", "--netmask=8", "--netmask=8"},
         "more than once"},
        {"format both", format, {"--f", "--account-format", "both"}, "[1]"},
        {"format case", format, {"--f", "--account-format=Both"}, "is invalid"},
        {"format twice", format, {"--f", "--account-format=both", "--account-format=both"},
         "more than once"},
        {"no component", components, {"--c"}, "[0]"},
        {"all components", components, {"--c", "--mail-component=all"}, "[65535]"},
        {"a repeated component counts once", components,
         {"--c", "--mail-component=milter", "--mail-component=mta", "--mail-component=mta"},
         "[257]"},
        {"component case", components,
         {"--c", "--mail-component=smtp", "--mail-component=SMTP"}, "unknown component SMTP"},
    };
    for (const Case& c : cases) {
        std::string got = c.parse(c.words);
        EXPECT_NE(std::string::npos, got.find(c.want))
            << c.name << ": got '" << got << "', want '" << c.want << "'";
    }
}

TEST(ProgramOptionsHelperExit, MalformedValueFailsBeforeHelp) {
    AddDomainOptions o;
    EXPECT_NE("", errorOf(o.helper, {"--add-domain", "--help", "--disk-quota=many"}));
}

}  // namespace
