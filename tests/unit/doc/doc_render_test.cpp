#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "mail/postfix/doc/bash_completion.h"
#include "mail/postfix/doc/command_catalog.h"
#include "mail/postfix/doc/man_page.h"

using namespace quarn::mail::postfix::doc;

namespace {

std::string describe(const std::vector<CatalogOption>& options) {
    std::string out;
    for (const CatalogOption& o : options) {
        out += o.name + (o.takesValue ? "=" : "") + o.placeholder;
        for (const std::string& choice : o.choices)
            out += "|" + choice;
        out += ";";
    }
    return out;
}

TEST(SyntaxOptions, OptionsPlaceholdersAndChoices) {
    struct Case {
        const char* name;
        const char* syntax;
        const char* want;
    };
    const Case cases[] = {
        {"placeholders", "--domain-name=<domain_name> [--disk-quota=<quota>]",
         "domain-name=<domain_name>;disk-quota=<quota>;"},
        {"bare placeholder", "[--disk-quota=quota]", "disk-quota=quota;"},
        {"switches", "[--in-blocks] (--mailname=<m>|--mail-all)",
         "in-blocks;mailname=<m>;mail-all;"},
        {"quoted choices", "--account-format=(\"compound\" | \"both\")",
         "account-format=|compound|both;"},
        {"braced choices, repeated option",
         "[--mail-component={mta|smtp|all}] [--mail-component=...]",
         "mail-component=|mta|smtp|all;"},
        {"command word is an option too", "--add-domain --domain-name=<d>",
         "add-domain;domain-name=<d>;"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.want, describe(syntaxOptions(c.syntax))) << c.name;
}

TEST(RoffText, EscapesWhatRoffWouldTakeForCommands) {
    struct Case {
        const char* name;
        const char* text;
        bool breakable;
        const char* want;
    };
    const Case cases[] = {
        {"minus signs", "--add-domain", false, "\\-\\-add\\-domain"},
        {"backslash", "a\\b", false, "a\\eb"},
        {"leading dot", ".qmail file", false, "\\&.qmail file"},
        {"leading apostrophe", "'quoted'", false, "\\&'quoted'"},
        {"break points", "{a|b},c", true, "{a|\\:b},\\:c"},
        {"no break points", "{a|b}", false, "{a|b}"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.want, roffText(c.text, c.breakable)) << c.name;
}

CatalogCommand command(const std::string& word, OptionSource source,
                       std::vector<CatalogOption> options = {}) {
    CatalogCommand c;
    c.word = word;
    c.synopsis = word;
    c.description = "does it";
    c.source = source;
    c.options = std::move(options);
    return c;
}

TEST(ManPage, FillsTheTemplate) {
    CatalogOption option;
    option.name = "domain-name";
    option.takesValue = true;
    option.placeholder = "<domain>";
    option.description = "domain name (mandatory)";
    const std::string page = manPage(
        ".TH X 8 \"@DATE@\" \"mxwarden @VERSION@\"\n@COMMANDS@\n.SH END\n",
        {command("--add-domain", OptionSource::Declared, {option}),
         command("--features", OptionSource::None)},
        "1.2", "2026-12-07");
    EXPECT_EQ(".TH X 8 \"2026-12-07\" \"mxwarden 1.2\"\n"
              ".SS \"\\-\\-add\\-domain\"\n"
              "\\fBmxwarden\\fR \\-\\-add\\-domain\n"
              ".PP\ndoes it\n"
              ".TP\n\\fB\\-\\-domain\\-name\\fR=\\fIdomain\\fR\ndomain name (mandatory)\n"
              ".SS \"\\-\\-features\"\n"
              "\\fBmxwarden\\fR \\-\\-features\n"
              ".PP\ndoes it\n"
              ".PP\nTakes no options: every further argument, \\fB\\-\\-help\\fR included,"
              " is ignored and the command runs.\n"
              ".SH END\n",
              page);
}

TEST(BashCompletion, RefusesWordsItCannotHoldLiterally) {
    CatalogOption option;
    option.name = "x";
    option.takesValue = true;
    option.choices = {"it's"};
    EXPECT_THROW(bashCompletion({command("--cmd", OptionSource::Declared, {option})}),
                 std::invalid_argument);
    EXPECT_THROW(bashCompletion({command("--a b", OptionSource::None)}), std::invalid_argument);
    EXPECT_NO_THROW(bashCompletion({command("--cmd", OptionSource::None)}));
}

}  // namespace
