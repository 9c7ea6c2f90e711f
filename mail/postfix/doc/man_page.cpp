#include "mail/postfix/doc/man_page.h"

#include <sstream>

#include <boost/algorithm/string/replace.hpp>

namespace quarn::mail::postfix::doc {

namespace {

const char* const COMMANDS_MARK = "@COMMANDS@";

std::string optionTerm(const CatalogOption& option) {
    std::string term;
    if (!option.shortName.empty())
        term += "\\fB" + roffText("-" + option.shortName) + "\\fR, ";
    term += "\\fB" + roffText("--" + option.name) + "\\fR";
    if (!option.takesValue)
        return term;
    if (!option.choices.empty()) {
        std::string list;
        for (const std::string& choice : option.choices)
            list += (list.empty() ? "" : "|") + choice;
        return term + "=" + roffText("{" + list + "}", true);
    }
    std::string placeholder = option.placeholder.empty() ? "value" : option.placeholder;
    if (placeholder.size() > 2 && placeholder.front() == '<' && placeholder.back() == '>')
        placeholder = placeholder.substr(1, placeholder.size() - 2);
    return term + "=\\fI" + roffText(placeholder) + "\\fR";
}

void writeCommand(std::ostream& out, const CatalogCommand& command) {
    std::string heading = roffText(command.word);
    for (const std::string& alias : command.alias)
        heading = roffText(alias) + ", " + heading;
    out << ".SS \"" << heading << "\"\n"
        << "\\fBmxwarden\\fR " << roffText(command.synopsis, true) << "\n"
        << ".PP\n"
        << roffText(command.description) << "\n";
    switch (command.source) {
    case OptionSource::None:
        out << ".PP\nTakes no options: every further argument, \\fB\\-\\-help\\fR included,"
               " is ignored and the command runs.\n";
        return;
    case OptionSource::NotBuilt:
        out << ".PP\nNot available in this build: the command ends with a"
               " \\(lqNotSupportedError\\(rq report and exit status 1.\n";
        return;
    case OptionSource::Declared:
        break;
    }
    for (const CatalogOption& option : command.options)
        out << ".TP\n" << optionTerm(option) << "\n" << roffText(option.description) << "\n";
}

}  // namespace

std::string roffText(const std::string& text, bool breakable) {
    std::string out = text.empty() || (text[0] != '.' && text[0] != '\'') ? "" : "\\&";
    for (char c : text) {
        if (c == '\\')
            out += "\\e";
        else if (c == '-')
            out += "\\-";
        else
            out += c;
        if (breakable && (c == '|' || c == ','))
            out += "\\:";
    }
    return out;
}

std::string manCommands(const std::vector<CatalogCommand>& catalog) {
    std::ostringstream out;
    for (const CatalogCommand& command : catalog)
        writeCommand(out, command);
    return out.str();
}

std::string manPage(const std::string& pageTemplate, const std::vector<CatalogCommand>& catalog,
                    const std::string& version, const std::string& date) {
    std::istringstream in(pageTemplate);
    std::ostringstream out;
    std::string line;
    while (std::getline(in, line)) {
        if (line == COMMANDS_MARK) {
            out << manCommands(catalog);
            continue;
        }
        boost::algorithm::replace_all(line, "@VERSION@", version);
        boost::algorithm::replace_all(line, "@DATE@", date);
        out << line << '\n';
    }
    return out.str();
}

}  // namespace quarn::mail::postfix::doc
