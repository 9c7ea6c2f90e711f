// The mail-handler commands: add, remove, enable and disable a handler in
// the mail-handlers database.
#include "mail/postfix/commands/commands.h"

#include <cstdlib>
#include <new>
#include <string>

#include <boost/program_options/value_semantic.hpp>

#include "mail/lib/handlers/mh_db_change.h"
#include "mail/lib/handlers/mh_db_list.h"
#include "mail/lib/handlers/mh_record.h"
#include "mail/postfix/options/missing_mandatory_option.h"
#include "mail/postfix/options/name_check.h"
#include "mail/postfix/options/program_options_helper.h"
#include "mail/postfix/config/module_info.h"

namespace po = boost::program_options;

namespace quarn::mail::postfix::mxwarden_commands {

namespace {

const char* const TYPE_TEXT =
    "handler type (global|sender|recipient|sender-domain|recipient-domain)";
const char* const HOOK_TEXT = "hook point (before-queue|before-local|before-remote)";
const char* const TYPE_SYNTAX =
    " --handler-name=<name> --handler-type=(global|sender|recipient|sender-domain|"
    "recipient-domain) [--handler-type-name=<mailname>]";
const char* const HOOK_SYNTAX = " --hook=(before-queue|before-local|before-remote)";
// The address that stands for every address of a handler.
const char* const ALL = "all";

/// One string field of a record set to a copy of `value`.
void setField(char** field, const std::string& value) {
    if (mh_data_set(field, value.c_str()) != 0)
        throw std::bad_alloc();
}

/// The handler's address in the form the database holds: an address with
/// its domain in ASCII, a domain in ASCII, or "all" as it is. Every form is
/// kept to one word, like the name and the program, so no blank, control
/// character or "#" reaches the runner of the handlers.
std::string handlerAddress(int type, const std::string& given) {
    std::string address = given;
    if (given != ALL) {
        if (type == MH_TYPE_SENDER || type == MH_TYPE_RECIPIENT)
            address = checkedAddress(given);
        else if (type == MH_TYPE_SENDER_DOMAIN || type == MH_TYPE_RECIPIENT_DOMAIN)
            address = checkedDomainName(given);
    }
    checkMasterCfWord("handler type name", address);
    return address;
}

/// Declares the options every handler command has, "handler-type-name"
/// optional since a global handler needs none.
ProgramOptionsHelper::OptionAppender declareCommon(ProgramOptionsHelper& options) {
    return options.addOptions()
        ("handler-name", po::value<std::string>(), "handler name", true)
        ("handler-type", po::value<std::string>(), TYPE_TEXT, true)
        ("handler-type-name", po::value<std::string>(), "handler type name");
}

/// Name, type, hook and, unless the type is global, the address of the
/// record, from the options; all checked before anything changes.
void readCommon(const ProgramOptionsHelper& options, MhRecord& record) {
    record.type = mh_get_type(options.get<std::string>("handler-type").c_str());
    record.queue = mh_get_queue(options.get<std::string>("hook").c_str());
    if (record.type != MH_TYPE_GLOBAL && !options.has("handler-type-name"))
        throw MissingMandatoryOption("handler-type-name");
    const std::string& name = options.get<std::string>("handler-name");
    checkMasterCfWord("handler name", name);
    setField(&record.name, name);
    if (record.type != MH_TYPE_GLOBAL)
        setField(&record.address,
                 handlerAddress(record.type, options.get<std::string>("handler-type-name")));
}

bool isForAll(const MhRecord& record) {
    return record.type != MH_TYPE_GLOBAL && std::string(record.address) == ALL;
}

int removeRecord(MhRecord& record) {
    if (isForAll(record))
        return mh_db_remove_all(nullptr, ALL);
    return mh_db_remove(nullptr, &record);
}

/// A global handler by its key; "all" the named handler at every address;
/// any other address every handler of that address.
int switchRecord(MhRecord& record, int on) {
    if (record.type == MH_TYPE_GLOBAL)
        return on ? mh_db_enable(nullptr, &record) : mh_db_disable(nullptr, &record);
    if (isForAll(record))
        return mh_db_switch_by_name(nullptr, record.name, on);
    return mh_db_switch_by_addr(nullptr, record.address, on);
}

/// The three commands that act on existing handlers, told apart by their
/// word, description and change.
struct ChangeCommand {
    const char* word;
    const char* description;
    int (*change)(MhRecord& record);
};

int changeHandler(const ChangeCommand& command, int argc, char** argv) {
    ProgramOptionsHelper options(command.description,
                                 std::string(command.word) + TYPE_SYNTAX + HOOK_SYNTAX);
    declareCommon(options)("hook", po::value<std::string>(), HOOK_TEXT, true);
    standardOptionsParse(options, argc, argv);
    MhRecord record;
    readCommon(options, record);
    return command.change(record) != 0 ? 1 : 0;
}

}  // namespace

int addHandler(int argc, char** argv) {
    ProgramOptionsHelper options(
        "add a mail-handler", std::string("--add-handler") + TYPE_SYNTAX +
                                  " --executable=<handler> --context=<context>" + HOOK_SYNTAX +
                                  " --priority=<number>");
    declareCommon(options)
        ("executable", po::value<std::string>(), "executable", true)
        ("context", po::value<std::string>(), "context", true)
        ("hook", po::value<std::string>(), HOOK_TEXT, true)
        ("priority", po::value<std::string>(), "handler priority", true);
    standardOptionsParse(options, argc, argv);
    MhRecord record;
    readCommon(options, record);
    const std::string& executable = options.get<std::string>("executable");
    checkMasterCfWord("executable", executable);
    setField(&record.executable, executable);
    setField(&record.context, options.get<std::string>("context"));
    // Text that is no number is priority 0, as the panel has always had it.
    record.priority =
        static_cast<int>(std::strtol(options.get<std::string>("priority").c_str(), nullptr, 10));
    record.enabled = 1;
    const int result = mh_db_add(nullptr, &record);
    if (record.type == MH_TYPE_GLOBAL)
        return result < 0 ? 1 : 0;
    return result != 0 ? 1 : 0;
}

int removeHandler(int argc, char** argv) {
    static const ChangeCommand command{"--remove-handler", "remove a mail-handler", removeRecord};
    return changeHandler(command, argc, argv);
}

int enableHandler(int argc, char** argv) {
    static const ChangeCommand command{"--enable-handler", "enable a mail-handler",
                                       [](MhRecord& r) { return switchRecord(r, 1); }};
    return changeHandler(command, argc, argv);
}

int disableHandler(int argc, char** argv) {
    static const ChangeCommand command{"--disable-handler", "disable a mail-handler",
                                       [](MhRecord& r) { return switchRecord(r, 0); }};
    return changeHandler(command, argc, argv);
}

}  // namespace quarn::mail::postfix::mxwarden_commands
