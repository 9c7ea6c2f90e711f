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

// argv storage for one parse; argv[0] is the command word.
class Args {
public:
    Args(std::initializer_list<std::string> words) : Args(std::vector<std::string>(words)) {}
    explicit Args(std::vector<std::string> words) : words_(std::move(words)) {
        for (std::string& w : words_)
            pointers_.push_back(&w[0]);
        pointers_.push_back(nullptr);
    }
    int argc() const { return static_cast<int>(words_.size()); }
    char** argv() { return pointers_.data(); }

private:
    std::vector<std::string> words_;
    std::vector<char*> pointers_;
};

const char* const SYNTAX = "--add-domain --domain-name=<domain> [--disk-quota=quota]";

struct AddDomainOptions {
    ProgramOptionsHelper helper{"add a domain", SYNTAX};
    AddDomainOptions() {
        helper.addOptions()
            ("domain-name", po::value<std::string>(), "domain name", true)
            ("disk-quota", po::value<long long>(), "disk quota");
    }
};

std::string errorOf(ProgramOptionsHelper& helper, Args args) {
    try {
        helper.parse(args.argc(), args.argv());
    } catch (const po::error& e) {
        return e.what();
    }
    return "";
}

TEST(ProgramOptionsHelper, RejectsAbbreviationsBareWordsAndMissingValues) {
    for (const char* bad : {"--domain=example.net", "stray", "--domain-name"}) {
        AddDomainOptions o;
        EXPECT_NE("", errorOf(o.helper, {"--add-domain", "--domain-name=a", bad})) << bad;
    }
}

// "[value]" after parsing `words` with `helper`, or the error message.
template <class T>
std::string parsed(ProgramOptionsHelper& helper, Args& args, const T& stored) {
    try {
        helper.parse(args.argc(), args.argv());
        return "[" + std::to_string(stored) + "]";
    } catch (const po::error& e) {
        return e.what();
    }
}

std::string mask(Args args) {
    ProgramOptionsHelper helper("w", "w");
    formWhitelistOptions(helper);
    IPMask value{9999};
    try {
        helper.parse(args.argc(), args.argv());
        value = helper.get<IPMask>("netmask");
    } catch (const po::error& e) {
        return e.what();
    }
    return "[" + std::to_string(value.prefixLength) + "]";
}

std::string format(Args args) {
    ProgramOptionsHelper helper("f", "f");
    ShortnameFormat value{-1};
    helper.addOptions()("account-format", po::value<ShortnameFormat>(&value), "format", true);
    return parsed(helper, args, value.format);
}

std::string components(Args args) {
    ProgramOptionsHelper helper("c", "c");
    SelectedMailComponents value;
    helper.addOptions()("mail-component", po::value<SelectedMailComponents>(&value), "component");
    return parsed(helper, args, value.mask);
}

TEST(OptionTypes, ValuesAndErrors) {
    struct Case {
        const char* name;
        std::string (*parse)(Args);
        std::vector<std::string> words;
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
        std::string got = c.parse(Args(c.words));
        EXPECT_NE(std::string::npos, got.find(c.want))
            << c.name << ": got '" << got << "', want '" << c.want << "'";
    }
}

TEST(ProgramOptionsHelperExit, MalformedValueFailsBeforeHelp) {
    AddDomainOptions o;
    EXPECT_NE("", errorOf(o.helper, {"--add-domain", "--help", "--disk-quota=many"}));
}

}  // namespace
