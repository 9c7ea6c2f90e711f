// The mailbox quota of a mailname and the size of its mailbox.
#include "mail/postfix/commands/commands.h"

#include <cstdint>
#include <iostream>
#include <string>

#include <boost/program_options/value_semantic.hpp>

#include "mail/lib/quota/mailbox_size.h"
#include "mail/lib/storage/maildir_manager.h"
#include "mail/postfix/commands/mailname_options.h"
#include "mail/postfix/options/program_options_helper.h"

namespace po = boost::program_options;

namespace quarn::mail::postfix::mxwarden_commands {

int setMailboxDiskQuota(int argc, char** argv) {
    ProgramOptionsHelper options(
        "set mailbox disk quota",
        "--set-mailbox-disk-quota --domain-name=<domain_name> --mailname=<mail_name> "
        "--disk-quota=<quota>");
    addMailnameOptions(options);
    options.addOptions()("disk-quota", po::value<int64_t>(), "disk quota", true);
    standardOptionsParse(options, argc, argv);
    const MailAddressNames names(options);
    MaildirPPManager::getInstance().setMailboxQuota(names.domain, names.mailname,
                                                    options.get<int64_t>("disk-quota"));
    return 0;
}

int getMailboxSize(int argc, char** argv) {
    ProgramOptionsHelper options(
        "get mailbox size",
        "--get-mailbox-size [--in-blocks] --domain-name=<domain_name> --mailname=<mail_name>");
    options.addOptions()("in-blocks", "count result in blocks rather than bytes");
    addMailnameOptions(options);
    standardOptionsParse(options, argc, argv);
    const MailAddressNames names(options);
    const sizequota_t size =
        get_mbox_size(names.mailname.c_str(), names.domain.c_str(), options.has("in-blocks"));
    if (size < 0)
        return 1;
    // The panel reads the number alone, without a line end.
    std::cout << size << std::flush;
    return 0;
}

}  // namespace quarn::mail::postfix::mxwarden_commands
