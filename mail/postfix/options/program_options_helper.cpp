#include "mail/postfix/options/program_options_helper.h"

#include <cstdlib>
#include <iostream>

#include <boost/program_options/errors.hpp>
#include <boost/program_options/parsers.hpp>

#include "lib/errors/uerr.h"
#include "mail/postfix/options/missing_mandatory_option.h"
#include "mail/postfix/options/option_declarations.h"
#include "mail/postfix/options/option_types.h"

namespace po = boost::program_options;

namespace quarn::mail::postfix::mxwarden_commands {

namespace {

const char* const MANDATORY_MARK = " (mandatory)";

// Long options must be typed in full: no guessing of abbreviations.
const int OPTION_STYLE = po::command_line_style::allow_long |
                         po::command_line_style::allow_short |
                         po::command_line_style::allow_dash_for_short |
                         po::command_line_style::long_allow_adjacent |
                         po::command_line_style::long_allow_next |
                         po::command_line_style::short_allow_adjacent |
                         po::command_line_style::short_allow_next |
                         po::command_line_style::allow_sticky;

std::string shownDescription(const char* description, bool mandatory) {
    std::string shown = description;
    if (mandatory)
        shown += MANDATORY_MARK;
    return shown;
}

}  // namespace

ProgramOptionsHelper::OptionAppender& ProgramOptionsHelper::OptionAppender::operator()(
    const char* name, const po::value_semantic* semantic, const char* description,
    bool mandatory) {
    owner_.options_.add_options()(name, semantic, shownDescription(description, mandatory).c_str());
    if (mandatory)
        owner_.mandatory_.push_front(name);
    return *this;
}

ProgramOptionsHelper::OptionAppender& ProgramOptionsHelper::OptionAppender::operator()(
    const char* name, const char* description, bool mandatory) {
    owner_.options_.add_options()(name, shownDescription(description, mandatory).c_str());
    if (mandatory)
        owner_.mandatory_.push_front(name);
    return *this;
}

ProgramOptionsHelper::ProgramOptionsHelper(const std::string& description,
                                           const std::string& syntax)
    : options_("Allowed options to " + description,
               po::options_description::m_default_line_length,
               po::options_description::m_default_line_length / 2),
      description_(description),
      syntax_(syntax) {}

void ProgramOptionsHelper::parse(int argc, char** argv) {
    if (readingDeclarationsOnly())
        throw declarations();
    options_.add_options()("help,h", "displays this help message");
    // The parser skips argv[0], the command word.  An empty positional
    // description makes any bare word an error instead of being ignored.
    const po::positional_options_description noPositionals;
    po::store(po::command_line_parser(argc, argv)
                  .options(options_)
                  .positional(noPositionals)
                  .style(OPTION_STYLE)
                  .run(),
              variables_);
    po::notify(variables_);
    if (has("help"))
        usage(0, std::cout);
    for (const std::string& name : mandatory_)
        if (!has(name))
            throw MissingMandatoryOption(name);
}

DeclaredOptions ProgramOptionsHelper::declarations() const {
    DeclaredOptions declared{description_, syntax_, {}};
    for (const auto& option : options_.options()) {
        DeclaredOption one;
        one.name = option->long_name();
        const std::string shown =
            option->canonical_display_name(po::command_line_style::allow_dash_for_short);
        if (shown.size() == 2 && shown[0] == '-')
            one.shortName = shown.substr(1);
        one.description = option->description();
        one.takesValue = option->semantic()->max_tokens() > 0;
        for (const std::string& name : mandatory_)
            one.mandatory = one.mandatory || name == one.name;
        declared.options.push_back(one);
    }
    return declared;
}

void ProgramOptionsHelper::usage(int status, std::ostream& out) const {
    out << description_ << '\n' << "Usage: " << syntax_ << '\n' << options_ << std::endl;
    std::exit(status);
}

void standardOptionsParse(ProgramOptionsHelper& options, int argc, char** argv) {
    try {
        options.parse(argc, argv);
    } catch (const po::error& e) {
        uerr << e.what() << std::endl;
        options.usage(1, std::cout);
    }
}

void formWhitelistOptions(ProgramOptionsHelper& options) {
    options.addOptions()
        ("ip-address", po::value<std::string>(), "IPv4 address", true)
        ("netmask", po::value<IPMask>(), "netmask", true);
}

}  // namespace quarn::mail::postfix::mxwarden_commands
