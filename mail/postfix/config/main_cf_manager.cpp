#include "mail/postfix/config/main_cf_manager.h"

#include <sys/wait.h>

#include <algorithm>
#include <locale>

#include <boost/algorithm/string/classification.hpp>
#include <boost/algorithm/string/split.hpp>
#include <boost/algorithm/string/trim.hpp>

#include "lib/process/pipe.h"
#include "mail/postfix/tables/check_output.h"
#include "mail/postfix/tables/postfix_errors.h"

namespace quarn::mail::postfix {

namespace {

const char* const POSTCONF = "/usr/sbin/postconf";
const char* const LIST_SEPARATORS = " \t,";

bool succeeded(int status) {
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string orUnknown(const std::string& errors) {
    return errors.empty() ? "unknown error" : errors;
}

std::string trimmed(const std::string& text) {
    return boost::algorithm::trim_copy_if(text, boost::algorithm::is_space(std::locale::classic()));
}

std::vector<std::string> listElements(const std::string& value) {
    std::vector<std::string> elements;
    boost::algorithm::split(elements, value, boost::algorithm::is_any_of(LIST_SEPARATORS),
                            boost::algorithm::token_compress_on);
    return elements;
}

bool isParameterName(const std::string& name) {
    return !name.empty() && std::all_of(name.begin(), name.end(), [](unsigned char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '_';
    });
}

// A line feed would start a parameter line of its own in main.cf; a tab is
// white space to Postfix and may stay.
bool hasControlCharacter(const std::string& value) {
    return std::any_of(value.begin(), value.end(), [](unsigned char c) {
        return (c < 0x20 && c != '\t') || c == 0x7f;
    });
}

}  // namespace

MainCfManager::WriteLock::WriteLock(MainCfManager& manager) : manager_(manager) {
    if (manager_.lockDepth_ == 0)
        manager_.lock_ = std::make_unique<MKLock>(manager_.path_);
    ++manager_.lockDepth_;
}

MainCfManager::WriteLock::~WriteLock() {
    if (--manager_.lockDepth_ == 0)
        manager_.lock_.reset();
}

MainCfManager& MainCfManager::getInstance() {
    static MainCfManager instance;
    return instance;
}

MainCfManager::MainCfManager() {
    std::string directory;
    try {
        directory = getStringValue("config_directory", false);
    } catch (const PostfixConfigurationError&) {
        directory = getStringValue("config_directory", true);
    }
    if (directory.empty())
        throw PostfixConfigurationError("unable to determine Postfix config_directory parameter");
    path_ = directory + "/main.cf";
}

std::string MainCfManager::getStringValue(const std::string& name, bool defaults) const {
    process::ProcessParameters postconf(POSTCONF, "-h");
    if (defaults)
        postconf.args.push_back("-d");
    postconf.args.push_back(name);
    process::Pipe pipe(postconf);
    std::string value, errors;
    pipe.inChannel = process::DevNull;
    pipe.outChannel = process::makeStringReceiver(value);
    pipe.errChannel = process::makeStringReceiver(errors);
    if (!succeeded(pipe.run()))
        throw PostfixConfigurationError(orUnknown(errors));
    // Warnings alone (an unknown parameter) leave an empty value, not a failure.
    if (value.empty() && !checkOutput(errors, false))
        throw PostfixConfigurationError(errors);
    return trimmed(value);
}

void MainCfManager::replaceStringValue(const std::string& name, const std::string& value) {
    if (!isParameterName(name))
        throw PostfixConfigurationError("invalid main.cf parameter name \"" + name + "\"");
    if (hasControlCharacter(value))
        throw PostfixConfigurationError("refusing to write " + name +
                                        ": the value holds a control character");
    process::ProcessParameters postconf(POSTCONF, "-e");
    // Set directly: an empty value must still be passed as "name=".
    postconf.args.push_back(name + "=" + value);
    process::Pipe pipe(postconf);
    std::string errors;
    pipe.inChannel = process::DevNull;
    pipe.errChannel = process::makeStringReceiver(errors);
    WriteLock hold(*this);
    if (!succeeded(pipe.run()))
        throw PostfixConfigurationError(orUnknown(errors));
}

void MainCfManager::getList(const std::string& name, std::deque<std::string>& out) const {
    std::vector<std::string> elements = listElements(getStringValue(name, false));
    out.assign(elements.begin(), elements.end());
}

void MainCfManager::setList(const std::string& name, const std::deque<std::string>& elements) {
    replaceStringValue(name, joinList(elements.begin(), elements.end()));
}

void MainCfManager::appendStringValue(const std::string& name, const std::string& element) {
    WriteLock hold(*this);
    const std::string value = getStringValue(name, false);
    for (const std::string& present : listElements(value))
        if (present == element) {
            if (name == "mynetworks")
                replaceStringValue(name, value);
            return;
        }
    replaceStringValue(name, value.empty() ? element : value + ", " + element);
}

void MainCfManager::removeListElement(const std::string& name, const std::string& element) {
    WriteLock hold(*this);
    std::deque<std::string> list, kept;
    getList(name, list);
    bool changed = false;
    for (const std::string& present : list) {
        if (present == element)
            changed = true;
        else if (!present.empty())
            kept.push_back(present);
    }
    if (changed)
        setList(name, kept);
}

std::vector<std::string> MainCfManager::commaPieces(const std::string& value) {
    std::vector<std::string> pieces, kept;
    if (value.empty())
        return kept;
    boost::algorithm::split(pieces, value, boost::algorithm::is_any_of(","),
                            boost::algorithm::token_compress_on);
    for (const std::string& piece : pieces) {
        std::string t = trimmed(piece);
        if (!t.empty())
            kept.push_back(t);
    }
    return kept;
}

}  // namespace quarn::mail::postfix
