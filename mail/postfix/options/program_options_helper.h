// The option parsing shared by every command handler: options declared in a
// chain, some of them mandatory, a help text of the command's own, and one
// uniform report of option errors.
#ifndef QUARN_MAIL_POSTFIX_OPTIONS_PROGRAM_OPTIONS_HELPER_H
#define QUARN_MAIL_POSTFIX_OPTIONS_PROGRAM_OPTIONS_HELPER_H

#include <forward_list>
#include <ostream>
#include <string>

#include <boost/program_options/options_description.hpp>
#include <boost/program_options/value_semantic.hpp>
#include <boost/program_options/variables_map.hpp>

#include "mail/postfix/options/option_declarations.h"

namespace quarn::mail::postfix::mxwarden_commands {

class ProgramOptionsHelper {
public:
    /// Adds one option per call; calls chain.  A mandatory option gets
    /// " (mandatory)" in its help and is required by parse().
    class OptionAppender {
    public:
        explicit OptionAppender(ProgramOptionsHelper& owner) : owner_(owner) {}

        /// An option with a value of the semantic's type.
        OptionAppender& operator()(const char* name,
                                   const boost::program_options::value_semantic* semantic,
                                   const char* description, bool mandatory = false);
        /// A switch without a value.
        OptionAppender& operator()(const char* name, const char* description,
                                   bool mandatory = false);

    private:
        ProgramOptionsHelper& owner_;
    };

    ProgramOptionsHelper(const std::string& description, const std::string& syntax);

    OptionAppender addOptions() { return OptionAppender(*this); }

    /// argv[0] is the command word and is skipped.  Returns only when the
    /// options are valid and complete and no help was asked for; throws
    /// boost::program_options::error (MissingMandatoryOption included).
    void parse(int argc, char** argv);

    /// What the handler declared so far (parse() throws it while
    /// declarations are being read).
    DeclaredOptions declarations() const;

    /// Prints the command's help to `out` and ends the process.
    [[noreturn]] void usage(int status, std::ostream& out) const;

    const boost::program_options::variables_map& variables() const { return variables_; }
    bool has(const std::string& name) const { return variables_.count(name) != 0; }
    template <typename T>
    const T& get(const std::string& name) const {
        return variables_[name].as<T>();
    }

private:
    boost::program_options::options_description options_;
    boost::program_options::variables_map variables_;
    std::string description_;
    // Newest first: the most recently declared missing option is reported.
    std::forward_list<std::string> mandatory_;
    std::string syntax_;
};

/// parse() with the standard report of option errors: the error's text on
/// the error stream, then the command's help on standard output and exit
/// status 1.
void standardOptionsParse(ProgramOptionsHelper& options, int argc, char** argv);

/// The mandatory pair "ip-address" (a string) and "netmask" (an IPMask).
void formWhitelistOptions(ProgramOptionsHelper& options);

}  // namespace quarn::mail::postfix::mxwarden_commands

#endif
