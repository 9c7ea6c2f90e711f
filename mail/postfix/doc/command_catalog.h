// Every command of the program with its words, synopsis, description and
// options, gathered from the command table, the help table and the
// handlers' own option declarations: what the manual page and the shell
// completion are generated from.
#ifndef QUARN_MAIL_POSTFIX_DOC_COMMAND_CATALOG_H
#define QUARN_MAIL_POSTFIX_DOC_COMMAND_CATALOG_H

#include <string>
#include <vector>

namespace quarn::mail::postfix::doc {

struct CatalogOption {
    std::string name;         ///< long name, without dashes
    std::string shortName;    ///< one letter, or empty
    std::string placeholder;  ///< what the syntax line shows for the value
    std::string description;
    bool takesValue = false;
    std::vector<std::string> choices;  ///< the values the syntax line lists
};

enum class OptionSource {
    Declared,  ///< the handler's own declarations
    None,      ///< the handler parses no options and ignores its arguments
    NotBuilt,  ///< not in this build: the help table's syntax column
};

struct CatalogCommand {
    std::string word;                ///< the long command word
    std::vector<std::string> alias;  ///< the one-letter legacy alias, if any
    std::string synopsis;            ///< starts with the word
    std::string description;         ///< one paragraph
    OptionSource source = OptionSource::None;
    std::vector<CatalogOption> options;
};

/// Whether the handler of `word` parses no options: it ignores every
/// argument, --help included, and acts; it is never run to describe it.
bool parsesNoOptions(const std::string& word);

/// The options that a syntax text shows (`--name=value`, `[--name]`), with
/// the values listed in "(a|b)" or "{a|b}".
std::vector<CatalogOption> syntaxOptions(const std::string& syntax);

/// The catalog, in the order of the help table. Throws std::runtime_error
/// when the tables disagree or a handler cannot be described.
std::vector<CatalogCommand> buildCatalog();

}  // namespace quarn::mail::postfix::doc

#endif
