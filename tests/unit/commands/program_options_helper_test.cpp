#include "mail/postfix/commands/program_options_helper.h"

#include <string>
#include <vector>

#include <boost/program_options/errors.hpp>
#include <gtest/gtest.h>

#include "mail/postfix/commands/missing_mandatory_option.h"
#include "mail/postfix/commands/option_types.h"
#include "tests/unit/process/child_output.h"

namespace po = boost::program_options;
using namespace quarn::mail::postfix::mxwarden_commands;

namespace {

// argv storage for one parse; argv[0] is the command word.
class Args {
public:
    Args(std::initializer_list<std::string> words) : words_(words) {
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

TEST(ProgramOptionsHelper, ReadsLongOptionsInBothForms) {
    AddDomainOptions o;
    Args args{"--add-domain", "--domain-name", "example.net", "--disk-quota=100"};
    o.helper.parse(args.argc(), args.argv());
    EXPECT_EQ("example.net", o.helper.get<std::string>("domain-name"));
    EXPECT_EQ(100, o.helper.get<long long>("disk-quota"));
    EXPECT_FALSE(o.helper.has("help"));
}

TEST(ProgramOptionsHelper, RejectsAbbreviationsBareWordsAndUnknownOptions) {
    {
        AddDomainOptions o;
        EXPECT_NE("", errorOf(o.helper, {"--add-domain", "--domain=example.net"}));
    }
    {
        AddDomainOptions o;
        EXPECT_NE("", errorOf(o.helper, {"--add-domain", "--domain-name=a", "stray"}));
    }
    {
        AddDomainOptions o;
        EXPECT_NE("", errorOf(o.helper, {"--add-domain", "--domain-name"}));
    }
}

TEST(ProgramOptionsHelper, NewestMissingMandatoryOptionIsReported) {
    ProgramOptionsHelper helper("x", "y");
    helper.addOptions()("first", po::value<std::string>(), "1", true)(
        "second", "2", true)("third", po::value<int>(), "3");
    EXPECT_EQ("mandatory option \"--second\" is not specified",
              errorOf(helper, {"--x", "--third=1"}));

    ProgramOptionsHelper whitelist("add a network to whitelist", "z");
    formWhitelistOptions(whitelist);
    EXPECT_EQ("mandatory option \"--netmask\" is not specified", errorOf(whitelist, {"--w"}));

    ProgramOptionsHelper noMask("remove a network from whitelist", "z");
    formWhitelistOptions(noMask);
    EXPECT_EQ("mandatory option \"--netmask\" is not specified",
              errorOf(noMask, {"--w", "--ip-address=10.0.0.1"}));
}

TEST(ProgramOptionsHelper, MissingMandatoryOptionIsAnOptionError) {
    try {
        throw MissingMandatoryOption("email");
    } catch (const po::error& e) {
        EXPECT_STREQ("mandatory option \"--email\" is not specified", e.what());
    }
}

IPMask parseMask(std::initializer_list<std::string> words, std::string* error) {
    ProgramOptionsHelper helper("w", "w");
    formWhitelistOptions(helper);
    Args args(words);
    try {
        helper.parse(args.argc(), args.argv());
        return helper.get<IPMask>("netmask");
    } catch (const po::error& e) {
        *error = e.what();
    }
    return IPMask{9999};
}

TEST(OptionTypes, IPMaskAcceptsZeroTo128Once) {
    std::string error;
    EXPECT_EQ(24, parseMask({"--w", "--ip-address=a", "--netmask= +24 "}, &error).prefixLength);
    EXPECT_EQ(128, parseMask({"--w", "--ip-address=a", "--netmask=128"}, &error).prefixLength);
    EXPECT_EQ("", error);
    for (const char* bad : {"--netmask=129", "--netmask=-1", "--netmask=24x", "--netmask= "}) {
        error.clear();
        parseMask({"--w", "--ip-address=a", bad}, &error);
        EXPECT_NE(std::string::npos, error.find("is invalid")) << bad << ": " << error;
    }
    error.clear();
    parseMask({"--w", "--ip-address=a", "--netmask=8", "--netmask=8"}, &error);
    EXPECT_NE(std::string::npos, error.find("more than once")) << error;
}

TEST(OptionTypes, ShortnameFormatIsExactAndSingle) {
    auto parse = [](std::initializer_list<std::string> words, std::string* error) {
        ProgramOptionsHelper helper("f", "f");
        helper.addOptions()("account-format", po::value<ShortnameFormat>(), "format", true);
        Args args(words);
        try {
            helper.parse(args.argc(), args.argv());
            return helper.get<ShortnameFormat>("account-format").format;
        } catch (const po::error& e) {
            *error = e.what();
        }
        return -1;
    };
    std::string error;
    EXPECT_EQ(0, parse({"--f", "--account-format=compound"}, &error));
    EXPECT_EQ(1, parse({"--f", "--account-format", "both"}, &error));
    EXPECT_EQ("", error);
    EXPECT_EQ(-1, parse({"--f", "--account-format=Both"}, &error));
    EXPECT_NE(std::string::npos, error.find("is invalid")) << error;
    error.clear();
    EXPECT_EQ(-1, parse({"--f", "--account-format=both", "--account-format=both"}, &error));
    EXPECT_NE(std::string::npos, error.find("more than once")) << error;
}

unsigned int parseComponents(std::initializer_list<std::string> words, std::string* error) {
    unsigned int mask = 12345;
    SelectedMailComponents components;
    ProgramOptionsHelper helper("c", "c");
    helper.addOptions()("mail-component", po::value<SelectedMailComponents>(&components),
                        "component");
    Args args(words);
    try {
        helper.parse(args.argc(), args.argv());
        mask = components.mask;
    } catch (const po::error& e) {
        *error = e.what();
    }
    return mask;
}

TEST(OptionTypes, SelectedMailComponentsAccumulate) {
    std::string error;
    EXPECT_EQ(0u, parseComponents({"--c"}, &error));
    EXPECT_EQ(6u, parseComponents({"--c", "--mail-component=smtp", "--mail-component", "smtps"},
                                  &error));
    EXPECT_EQ(65535u, parseComponents({"--c", "--mail-component=all"}, &error));
    EXPECT_EQ(256u | 1u, parseComponents({"--c", "--mail-component=milter",
                                          "--mail-component=mta", "--mail-component=mta"},
                                         &error));
    EXPECT_EQ("", error);
    parseComponents({"--c", "--mail-component=smtp", "--mail-component=SMTP"}, &error);
    EXPECT_NE(std::string::npos, error.find("unknown component SMTP")) << error;
}

TEST(ProgramOptionsHelperExit, HelpWinsOverMissingMandatoryOptions) {
    child_test::ChildOutput r = child_test::runInChild([] {
        AddDomainOptions o;
        Args args{"--add-domain", "-h"};
        o.helper.parse(args.argc(), args.argv());
        std::exit(99);
    });
    EXPECT_EQ(0, r.exitStatus);
    EXPECT_EQ("", r.err);
    EXPECT_EQ(0u, r.out.find(std::string("add a domain\nUsage: ") + SYNTAX +
                             "\nAllowed options to add a domain:\n"))
        << r.out;
    EXPECT_NE(std::string::npos, r.out.find("--domain-name arg")) << r.out;
    EXPECT_NE(std::string::npos, r.out.find("domain name (mandatory)")) << r.out;
    EXPECT_NE(std::string::npos, r.out.find("-h [ --help ]")) << r.out;
    EXPECT_EQ("\n\n", r.out.substr(r.out.size() - 2));
}

TEST(ProgramOptionsHelperExit, MalformedValueFailsBeforeHelp) {
    AddDomainOptions o;
    EXPECT_NE("", errorOf(o.helper, {"--add-domain", "--help", "--disk-quota=many"}));
}

TEST(ProgramOptionsHelperExit, StandardReportPrintsErrorThenHelp) {
    child_test::ChildOutput help = child_test::runInChild([] {
        AddDomainOptions o;
        Args args{"--add-domain", "--help"};
        o.helper.parse(args.argc(), args.argv());
    });
    child_test::ChildOutput r = child_test::runInChild([] {
        AddDomainOptions o;
        Args args{"--add-domain", "--disk-quota=5"};
        standardOptionsParse(o.helper, args.argc(), args.argv());
        std::exit(99);
    });
    const std::string message = "mandatory option \"--domain-name\" is not specified\n";
    EXPECT_EQ(1, r.exitStatus);
    EXPECT_EQ(message, r.err);
    EXPECT_EQ(message + help.out, r.out);
}

}  // namespace
