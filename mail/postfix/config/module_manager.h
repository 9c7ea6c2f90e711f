// The services of master.cf that the system switches on and off: those
// switched on live in master.cf, those switched off in a file of the same
// format, so that switching one on again restores its exact text.
#ifndef QUARN_MAIL_POSTFIX_CONFIG_MODULE_MANAGER_H
#define QUARN_MAIL_POSTFIX_CONFIG_MODULE_MANAGER_H

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <boost/logic/tribool.hpp>

#include "lib/util/mk_lock.h"
#include "mail/postfix/config/master_cf_content.h"

namespace quarn::mail::postfix {

/// The file of the services that the system has switched off.
extern const char* const MASTER_CF_DISABLED;

class ModuleManager {
public:
    /// The instance of this run, for Postfix's own master.cf.
    static ModuleManager& getInstance();

    /// A manager of the two given files (getInstance() uses the
    /// config_directory's master.cf and MASTER_CF_DISABLED).
    ModuleManager(std::string masterCfPath, std::string disabledPath);
    ModuleManager(const ModuleManager&) = delete;
    ModuleManager& operator=(const ModuleManager&) = delete;
    ~ModuleManager();

    /// Takes the locks of both files and reads them; the locks are held
    /// until storeModules(), so that no other run writes in between. Does
    /// nothing when already loaded and still locked, unless `reload`.
    void loadModules(bool reload);
    /// Writes what changed (the disabled file first, so that an entry being
    /// switched off is never in neither file) and releases the locks;
    /// returns whether master.cf was written.
    bool storeModules(bool force);

    /// `enabled` true: master.cf only; false: the disabled file only;
    /// indeterminate: either.
    bool hasModule(const std::string& name, ModuleType type,
                   boost::logic::tribool enabled = boost::logic::indeterminate) const;
    std::pair<const ModuleInfo&, const std::string&> getModule(
        const std::string& name, ModuleType type,
        boost::logic::tribool enabled = boost::logic::indeterminate) const;
    /// The entries of master.cf, in key order.
    std::vector<ModuleInfo> enabledModules() const;

    /// Adds or replaces the entry, in its line form, in master.cf (`enable`)
    /// or in the disabled file, and takes it out of the other one.
    void addModule(const ModuleInfo& info, bool enable);
    /// Removes the entry from both files.
    void removeModule(const std::string& name, ModuleType type);
    /// Moves a switched-off entry back to the end of master.cf; true when it
    /// is (now) switched on, std::out_of_range when it is nowhere.
    bool enableModule(const std::string& name, ModuleType type);
    /// Moves an entry of master.cf to the disabled file; false when it was
    /// not in master.cf.
    bool disableModule(const std::string& name, ModuleType type);

    /// loadMasterCf() and storeMasterCf() of master_cf_file.h, for one file.
    static void loadMasterCf(const std::string& path, MasterCfContent& content);
    static void storeMasterCf(const std::string& path, const MasterCfContent& content);

    const std::string& masterCfPath() const { return masterCfPath_; }
    const std::string& disabledPath() const { return disabledPath_; }

private:
    /// std::logic_error unless master.cf was loaded.
    void checkLoaded() const;
    /// The content that `enabled` selects and that holds the entry, or null.
    const MasterCfContent* holder(const std::string& name, ModuleType type,
                                  boost::logic::tribool enabled) const;
    /// The disabled content, created empty when there is none.
    MasterCfContent& disabledContent();

    std::string masterCfPath_;
    std::string disabledPath_;
    std::unique_ptr<MasterCfContent> enabled_;
    std::unique_ptr<MasterCfContent> disabled_;
    bool enabledChanged_ = false;
    bool disabledChanged_ = false;
    std::unique_ptr<MKLock> masterLock_;
    std::unique_ptr<MKLock> disabledLock_;
};

}  // namespace quarn::mail::postfix

#endif
