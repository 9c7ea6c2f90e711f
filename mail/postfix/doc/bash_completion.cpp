#include "mail/postfix/doc/bash_completion.h"

#include <regex>
#include <sstream>
#include <stdexcept>

namespace quarn::mail::postfix::doc {

namespace {

const char* const HEAD =
    "# bash completion for mxwarden(8)                     -*- shell-script -*-\n"
    "# Generated from the program's command table; do not edit.\n"
    "\n"
    "_mxwarden()\n"
    "{\n"
    "    local cur prev words cword split\n"
    "    _init_completion -s || return\n"
    "\n"
    "    if ((cword == 1)); then\n";

const char* const OPTIONS_HEAD =
    "\n"
    "    local options\n"
    "    case ${words[1]} in\n";

const char* const VALUES_HEAD =
    "        *) return ;;\n"
    "    esac\n"
    "\n"
    "    case ${words[1]}:$prev in\n";

const char* const TAIL =
    "    esac\n"
    "    # A value without a list follows, or an option nobody declared.\n"
    "    if [[ $split == true || \" $options \" == *\" $prev= \"* ]]; then\n"
    "        return\n"
    "    fi\n"
    "\n"
    "    COMPREPLY=($(compgen -W \"$options\" -- \"$cur\"))\n"
    "    [[ ${COMPREPLY-} == *= ]] && compopt -o nospace\n"
    "} &&\n"
    "    complete -F _mxwarden mxwarden\n"
    "\n"
    "# ex: filetype=sh\n";

// Words go into the script between single quotes and as case patterns.
const std::string& literal(const std::string& word) {
    static const std::regex safe("[A-Za-z0-9][A-Za-z0-9_.+-]*|--?[A-Za-z0-9][A-Za-z0-9_.-]*");
    if (!std::regex_match(word, safe))
        throw std::invalid_argument("cannot complete the word \"" + word + "\"");
    return word;
}

std::string optionWords(const CatalogCommand& command) {
    std::string words;
    for (const CatalogOption& option : command.options)
        words += literal("--" + option.name) + (option.takesValue ? "= " : " ");
    return words + "--help";
}

// The uploaded files are files of this host; other names are not.
bool namesFile(const CatalogOption& option) { return option.name == "file-name"; }

void writeValues(std::ostream& out, const CatalogCommand& command) {
    for (const CatalogOption& option : command.options) {
        if (!option.takesValue || (option.choices.empty() && !namesFile(option)))
            continue;
        out << "        " << literal(command.word) << ":" << literal("--" + option.name) << ")\n";
        if (option.choices.empty()) {
            out << "            _filedir\n";
        } else {
            std::string list;
            for (const std::string& choice : option.choices)
                list += (list.empty() ? "" : " ") + literal(choice);
            out << "            COMPREPLY=($(compgen -W '" << list << "' -- \"$cur\"))\n";
        }
        out << "            return\n            ;;\n";
    }
}

}  // namespace

std::string bashCompletion(const std::vector<CatalogCommand>& catalog) {
    std::ostringstream out;
    out << HEAD;
    std::string words;
    for (const CatalogCommand& command : catalog)
        words += (words.empty() ? "" : " ") + literal(command.word);
    out << "        COMPREPLY=($(compgen -W '" << words << "' -- \"$cur\"))\n"
        << "        return\n"
        << "    fi\n"
        << OPTIONS_HEAD;
    for (const CatalogCommand& command : catalog)
        if (command.source != OptionSource::None)
            out << "        " << literal(command.word) << ") options='" << optionWords(command)
                << "' ;;\n";
    out << VALUES_HEAD;
    for (const CatalogCommand& command : catalog)
        writeValues(out, command);
    out << TAIL;
    return out.str();
}

}  // namespace quarn::mail::postfix::doc
