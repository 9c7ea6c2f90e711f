#include "mail/postfix/doc/command_catalog.h"

#include <algorithm>
#include <map>
#include <regex>
#include <set>
#include <stdexcept>

#include <boost/algorithm/string/split.hpp>
#include <boost/algorithm/string/trim.hpp>

#include "mail/postfix/entry/dispatch.h"
#include "mail/postfix/entry/help.h"
#include "mail/postfix/doc/declaration_probe.h"

namespace quarn::mail::postfix::doc {

namespace {

// The handlers that take no options: they run whatever follows the word,
// so describing them by running them would act.
const std::set<std::string> OPTION_FREE = {
    "--features", "--get-max-letter-size", "--get-mailbox-size-limit",
    "--update-handler", "--check-handler",
    "--start-smtpd", "--stop-smtpd", "--restart-smtpd", "--status-smtpd",
    "--start-qmail-send", "--stop-qmail-send",
    "--start-maild", "--stop-maild", "--restart-maild", "--status-maild",
    "--start-milter", "--stop-milter", "--restart-milter", "--status-milter",
    "--enable-message-submission", "--disable-message-submission",
    "--help-commands", "--help-legacy", "--help",
};

std::string oneParagraph(const std::string& text) {
    static const std::regex blanks("\\s+");
    return boost::algorithm::trim_copy(std::regex_replace(text, blanks, " "));
}

std::vector<std::string> choicesOf(const std::string& value) {
    std::vector<std::string> choices;
    if (value.size() < 2 || (value.front() != '(' && value.front() != '{'))
        return choices;
    std::vector<std::string> parts;
    const std::string inner = value.substr(1, value.size() - 2);
    boost::algorithm::split(parts, inner, [](char c) { return c == '|'; });
    for (std::string part : parts) {
        boost::algorithm::trim_if(part, [](char c) { return c == ' ' || c == '"'; });
        if (part.empty() || part.find_first_of("<> ") != std::string::npos)
            return {};
        choices.push_back(part);
    }
    return choices;
}

// "-x, --word" -> the word and its alias.
void splitColumn(const std::string& column, CatalogCommand& command) {
    const std::size_t comma = column.find(", ");
    if (comma == std::string::npos) {
        command.word = column;
        return;
    }
    command.alias.push_back(column.substr(0, comma));
    command.word = column.substr(comma + 2);
}

// Placeholders and choices of the syntax lines fill in what the
// declarations do not say.
void completeFromSyntax(std::vector<CatalogOption>& options, const std::string& syntax) {
    for (const CatalogOption& shown : syntaxOptions(syntax))
        for (CatalogOption& option : options)
            if (option.name == shown.name) {
                if (option.placeholder.empty())
                    option.placeholder = shown.placeholder;
                if (option.choices.empty())
                    option.choices = shown.choices;
            }
}

std::vector<CatalogOption> declaredOptions(const mxwarden_commands::DeclaredOptions& declared) {
    std::vector<CatalogOption> options;
    for (const auto& one : declared.options) {
        CatalogOption option;
        option.name = one.name;
        option.shortName = one.shortName;
        option.description = one.description;
        option.takesValue = one.takesValue;
        options.push_back(option);
    }
    return options;
}

void describe(CatalogCommand& command, const CommandDescription& row,
              mxwarden_commands::Handler handler) {
    const std::string rowSyntax = row.syntax;
    command.synopsis = command.word + (rowSyntax.empty() ? "" : " " + rowSyntax);
    if (parsesNoOptions(command.word)) {
        command.source = OptionSource::None;
        return;
    }
    if (rowSyntax.empty())
        throw std::runtime_error(command.word +
                                 " has no syntax text but is not listed as taking no options");
    const ProbeResult probe = probeHandler(command.word, handler);
    if (probe.outcome == ProbeOutcome::NotBuilt) {
        command.source = OptionSource::NotBuilt;
        command.options = syntaxOptions(rowSyntax);
        return;
    }
    command.source = OptionSource::Declared;
    command.synopsis = oneParagraph(probe.declared.syntax);
    command.options = declaredOptions(probe.declared);
    completeFromSyntax(command.options, probe.declared.syntax);
    completeFromSyntax(command.options, rowSyntax);
}

}  // namespace

bool parsesNoOptions(const std::string& word) { return OPTION_FREE.count(word) != 0; }

std::vector<CatalogOption> syntaxOptions(const std::string& syntax) {
    // --name, then optionally "=" and a value: <placeholder>, a list in
    // (...) or {...}, or a bare word.
    static const std::regex option(
        R"(--([A-Za-z0-9][A-Za-z0-9-]*)(=(<[^>]*>|\([^)]*\)|\{[^}]*\}|[A-Za-z0-9_.]+))?)");
    std::vector<CatalogOption> found;
    for (std::sregex_iterator it(syntax.begin(), syntax.end(), option), end; it != end; ++it) {
        CatalogOption one;
        one.name = (*it)[1];
        const std::string value = (*it)[3];
        one.takesValue = (*it)[2].matched;
        one.choices = choicesOf(value);
        if (value != "..." && one.choices.empty())
            one.placeholder = value;
        const bool seen = std::any_of(found.begin(), found.end(),
                                      [&](const CatalogOption& o) { return o.name == one.name; });
        if (!seen && value != "...")
            found.push_back(one);
    }
    return found;
}

std::vector<CatalogCommand> buildCatalog() {
    const std::map<std::string, mxwarden_commands::Handler> table = commandTable();
    std::set<std::string> described;
    std::vector<CatalogCommand> catalog;
    for (std::size_t i = 0; i < commandDescriptionCount; ++i) {
        const CommandDescription& row = commandDescriptions[i];
        CatalogCommand command;
        splitColumn(row.command, command);
        command.description = oneParagraph(row.description);
        const auto handler = table.find(command.word);
        if (handler == table.end())
            throw std::runtime_error("help row " + command.word + " is not in the command table");
        for (const std::string& alias : command.alias)
            if (table.count(alias) == 0)
                throw std::runtime_error("alias " + alias + " is not in the command table");
        describe(command, row, handler->second);
        described.insert(command.word);
        described.insert(command.alias.begin(), command.alias.end());
        catalog.push_back(command);
    }
    for (const auto& entry : table)
        if (described.count(entry.first) == 0)
            throw std::runtime_error("command " + entry.first + " has no help row");
    return catalog;
}

}  // namespace quarn::mail::postfix::doc
