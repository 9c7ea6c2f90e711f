// The attachment commands: list, add and remove the autoresponder
// attachments of a mailname.
#include "mail/postfix/commands/commands.h"

#include <ostream>
#include <stdexcept>
#include <string>

#include <boost/program_options/value_semantic.hpp>

#include "lib/errors/uerr.h"
#include "lib/names/name_rules.h"
#include "mail/lib/files/attachments.h"
#include "mail/lib/files/attachments_list.h"
#include "mail/postfix/options/name_check.h"
#include "mail/postfix/options/program_options_helper.h"

namespace po = boost::program_options;

namespace quarn::mail::postfix::mxwarden_commands {

namespace {

/// The attachment file name, refused before it can become a path.
std::string checkedAttachmentName(const std::string& name) {
    if (!isSafePathComponent(name))
        throw std::invalid_argument(name);
    return name;
}

/// The conflict of --mailname and --mail-all: the message and the help,
/// both on the error stream; exit status 1.
[[noreturn]] void optionConflict(const ProgramOptionsHelper& options, const char* message) {
    uerr << message << std::endl;
    options.usage(1, uerr);
}

}  // namespace

int listAttachments(int argc, char** argv) {
    ProgramOptionsHelper options(
        "list attachments",
        "--list-attachments [--in-blocks] [--fullname] --domain-name=<domain_name> "
        "(--mailname=<mail_name>|--mail-all)");
    options.addOptions()
        ("in-blocks", "report in blocks rather than bytes (false by default)")
        ("fullname", "report full attachment paths (false by default)")
        ("mail-all", "report attachments for all mailnames (false by default)")
        ("domain-name", po::value<std::string>(), "domain name", true)
        ("mailname", po::value<std::string>(), "mailname");
    standardOptionsParse(options, argc, argv);
    const int inBlocks = options.has("in-blocks") ? 1 : 0;
    const int fullName = options.has("fullname") ? 1 : 0;
    const std::string domain = checkedDomainName(options.get<std::string>("domain-name"));
    int result;
    if (options.has("mail-all")) {
        if (options.has("mailname"))
            optionConflict(options, "you should not use --mailname and --mail-all together");
        result = list_all_attachments(domain.c_str(), inBlocks, fullName);
    } else {
        if (!options.has("mailname"))
            optionConflict(options, "neither --mailname nor --mail-all are specified");
        const std::string mailname = checkedMailname(options.get<std::string>("mailname"));
        result = list_attachments(mailname.c_str(), domain.c_str(), inBlocks, fullName);
    }
    return result != 0 ? 1 : 0;
}

int addAttachment(int argc, char** argv) {
    ProgramOptionsHelper options(
        "add an attachment",
        "--add-attachment --domain-name=<domain_name> --mailname=<mail_name> "
        "--file-name=<full_file_name> --attachment-file-name=<attachment_file_name>");
    options.addOptions()
        ("domain-name", po::value<std::string>(), "domain name", true)
        ("mailname", po::value<std::string>(), "mailname", true)
        ("file-name", po::value<std::string>(), "uploaded file name", true)
        ("attachment-file-name", po::value<std::string>(), "attachment file name", true);
    standardOptionsParse(options, argc, argv);
    const std::string domain = checkedDomainName(options.get<std::string>("domain-name"));
    const std::string mailname = checkedMailname(options.get<std::string>("mailname"));
    const std::string name = checkedAttachmentName(options.get<std::string>("attachment-file-name"));
    const std::string& file = options.get<std::string>("file-name");
    return add_attachment(mailname.c_str(), domain.c_str(), file.c_str(), name.c_str()) != 0 ? 1
                                                                                           : 0;
}

int removeAttachment(int argc, char** argv) {
    ProgramOptionsHelper options(
        "remove an attachment",
        "--remove-attachment --domain-name=<domain_name> --mailname=<mail_name> "
        "--attachment-file-name=<attachment_file_name>");
    options.addOptions()
        ("domain-name", po::value<std::string>(), "domain name", true)
        ("mailname", po::value<std::string>(), "mailname", true)
        ("attachment-file-name", po::value<std::string>(), "attachment file name", true);
    standardOptionsParse(options, argc, argv);
    const std::string domain = checkedDomainName(options.get<std::string>("domain-name"));
    const std::string mailname = checkedMailname(options.get<std::string>("mailname"));
    const std::string name = checkedAttachmentName(options.get<std::string>("attachment-file-name"));
    return remove_attachment(mailname.c_str(), domain.c_str(), name.c_str()) != 0 ? 1 : 0;
}

}  // namespace quarn::mail::postfix::mxwarden_commands
