// Reads a handler's option declarations by running it in a child process
// that stops at the handler's option parsing, before it can act.
#ifndef QUARN_MAIL_POSTFIX_DOC_DECLARATION_PROBE_H
#define QUARN_MAIL_POSTFIX_DOC_DECLARATION_PROBE_H

#include <string>

#include "mail/postfix/commands/commands.h"
#include "mail/postfix/options/option_declarations.h"

namespace quarn::mail::postfix::doc {

enum class ProbeOutcome {
    Declared,  ///< the handler reached its option parsing
    NotBuilt,  ///< the handler reports that this build lacks it
};

struct ProbeResult {
    ProbeOutcome outcome = ProbeOutcome::NotBuilt;
    mxwarden_commands::DeclaredOptions declared;
};

/// Runs `handler` with the command word alone in a child process (as
/// nobody when run by root, standard descriptors on /dev/null) in which
/// every option parsing throws its declarations. Throws std::runtime_error
/// when the handler ends any other way: it must then be listed among the
/// commands that parse no options, and is never run again to describe it.
ProbeResult probeHandler(const std::string& word, mxwarden_commands::Handler handler);

/// The wire form between the child and the parent.
std::string encodeDeclarations(const mxwarden_commands::DeclaredOptions& declared);
mxwarden_commands::DeclaredOptions decodeDeclarations(const std::string& text);

}  // namespace quarn::mail::postfix::doc

#endif
