#include "mail/postfix/config/module_manager.h"
#include "mail/postfix/config/main_cf_manager.h"

#include <sys/stat.h>

#include <cerrno>
#include <stdexcept>

#include "mail/postfix/config/master_cf_file.h"
#include "mail/postfix/tables/postfix_errors.h"

namespace quarn::mail::postfix {

const char* const MASTER_CF_DISABLED = "/var/spool/postfix/quarn/master.cf.disabled";

namespace {

/// Postfix's master.cf: config_directory as postconf reports it.
std::string postfixMasterCf() {
    const std::string directory =
        MainCfManager::getInstance().getStringValue("config_directory", false);
    if (directory.empty())
        throw PostfixConfigurationError("unable to determine Postfix config_directory parameter");
    return directory + "/master.cf";
}

/// Whether there is anything at `path`; a file that cannot be examined for
/// another reason counts as there, so that loading it reports the error.
bool fileExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 || errno != ENOENT;
}

}  // namespace

ModuleManager& ModuleManager::getInstance() {
    static ModuleManager instance(postfixMasterCf(), MASTER_CF_DISABLED);
    return instance;
}

ModuleManager::ModuleManager(std::string masterCfPath, std::string disabledPath)
    : masterCfPath_(std::move(masterCfPath)), disabledPath_(std::move(disabledPath)) {}

ModuleManager::~ModuleManager() {}

void ModuleManager::loadModules(bool reload) {
    if (enabled_ && masterLock_ && !reload)
        return;
    // Always in this order (master.cf, then the disabled file), so that two
    // runs never wait for each other's second lock.
    std::unique_ptr<MKLock> masterLock = std::move(masterLock_);
    std::unique_ptr<MKLock> disabledLock = std::move(disabledLock_);
    if (!masterLock)
        masterLock = std::make_unique<MKLock>(masterCfPath_);
    if (!disabledLock)
        disabledLock = std::make_unique<MKLock>(disabledPath_);
    auto enabled = std::make_unique<MasterCfContent>();
    postfix::loadMasterCf(masterCfPath_, *enabled);
    std::unique_ptr<MasterCfContent> disabled;
    if (fileExists(disabledPath_)) {
        disabled = std::make_unique<MasterCfContent>();
        postfix::loadMasterCf(disabledPath_, *disabled);
    }
    enabled_ = std::move(enabled);
    if (disabled)
        disabled_ = std::move(disabled);
    enabledChanged_ = disabledChanged_ = false;
    masterLock_ = std::move(masterLock);
    disabledLock_ = std::move(disabledLock);
}

bool ModuleManager::storeModules(bool force) {
    checkLoaded();
    // A store after an earlier one has given the locks up: lock again for
    // the write itself.
    if (!masterLock_)
        masterLock_ = std::make_unique<MKLock>(masterCfPath_);
    if (!disabledLock_)
        disabledLock_ = std::make_unique<MKLock>(disabledPath_);
    if (disabled_ && (disabledChanged_ || force)) {
        writeMasterCf(disabledPath_, *disabled_);
        disabledChanged_ = false;
    }
    bool written = false;
    if (enabledChanged_ || force) {
        writeMasterCf(masterCfPath_, *enabled_);
        enabledChanged_ = false;
        written = true;
    }
    disabledLock_.reset();
    masterLock_.reset();
    return written;
}

void ModuleManager::loadMasterCf(const std::string& path, MasterCfContent& content) {
    postfix::loadMasterCf(path, content);
}

void ModuleManager::storeMasterCf(const std::string& path, const MasterCfContent& content) {
    postfix::storeMasterCf(path, content);
}

bool ModuleManager::hasModule(const std::string& name, ModuleType type,
                              boost::logic::tribool enabled) const {
    return holder(name, type, enabled) != nullptr;
}

std::pair<const ModuleInfo&, const std::string&> ModuleManager::getModule(
    const std::string& name, ModuleType type, boost::logic::tribool enabled) const {
    const MasterCfContent* content = holder(name, type, enabled);
    if (!content)
        throw std::out_of_range("no such module " + name);
    return content->getModule(name, type);
}

std::vector<ModuleInfo> ModuleManager::enabledModules() const {
    checkLoaded();
    return enabled_->modules();
}

void ModuleManager::addModule(const ModuleInfo& info, bool enable) {
    checkLoaded();
    std::string line = moduleLine(info);
    if (enable) {
        enabled_->addModule(info, line);
        enabledChanged_ = true;
        if (disabled_ && disabled_->removeModule(info.name, info.type))
            disabledChanged_ = true;
    } else {
        disabledContent().addModule(info, line);
        disabledChanged_ = true;
        if (enabled_->removeModule(info.name, info.type))
            enabledChanged_ = true;
    }
}

void ModuleManager::removeModule(const std::string& name, ModuleType type) {
    checkLoaded();
    if (enabled_->removeModule(name, type))
        enabledChanged_ = true;
    if (disabled_ && disabled_->removeModule(name, type))
        disabledChanged_ = true;
}

bool ModuleManager::enableModule(const std::string& name, ModuleType type) {
    checkLoaded();
    if (enabled_->hasModule(name, type))
        return true;
    if (!disabled_ || !disabled_->hasModule(name, type))
        throw std::out_of_range("no such module " + name);
    auto entry = disabled_->getModule(name, type);
    // Copies: the removal below frees what `entry` refers to.
    ModuleInfo info = entry.first;
    std::string line = entry.second;
    enabled_->addModule(info, line);
    enabledChanged_ = disabledChanged_ = true;
    return disabled_->removeModule(name, type);
}

bool ModuleManager::disableModule(const std::string& name, ModuleType type) {
    checkLoaded();
    if (!enabled_->hasModule(name, type))
        return false;
    auto entry = enabled_->getModule(name, type);
    ModuleInfo info = entry.first;
    std::string line = entry.second;
    disabledContent().addModule(info, line);
    enabledChanged_ = disabledChanged_ = true;
    return enabled_->removeModule(name, type);
}

void ModuleManager::checkLoaded() const {
    if (!enabled_)
        throw std::logic_error("modules configuration isn't loaded yet");
}

const MasterCfContent* ModuleManager::holder(const std::string& name, ModuleType type,
                                             boost::logic::tribool enabled) const {
    checkLoaded();
    if (!!enabled || boost::logic::indeterminate(enabled))
        if (enabled_->hasModule(name, type))
            return enabled_.get();
    if (!enabled || boost::logic::indeterminate(enabled))
        if (disabled_ && disabled_->hasModule(name, type))
            return disabled_.get();
    return nullptr;
}

MasterCfContent& ModuleManager::disabledContent() {
    if (!disabled_)
        disabled_ = std::make_unique<MasterCfContent>();
    return *disabled_;
}

}  // namespace quarn::mail::postfix
