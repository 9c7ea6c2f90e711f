#include "mail/postfix/config/master_cf_content.h"

#include <stdexcept>

namespace quarn::mail::postfix {

void MasterCfContent::addModule(const ModuleInfo& info, const std::string& line) {
    Key key = info.key();
    auto position = positions_.find(key);
    lastAddAppended_ = position == positions_.end();
    if (position != positions_.end()) {
        *position->second = line;
    } else {
        lastLineChanged();
        positions_[key] = lines.insert(lines.end(), line);
    }
    modules_[key] = info;
}

bool MasterCfContent::removeModule(const std::string& name, ModuleType type) {
    Key key(name, type);
    auto module = modules_.find(key);
    if (module == modules_.end())
        return false;
    auto position = positions_.find(key);
    if (position != positions_.end()) {
        if (std::next(position->second) == lines.end())
            lastLineChanged();
        lines.erase(position->second);
        positions_.erase(position);
    }
    modules_.erase(module);
    return true;
}

bool MasterCfContent::hasModule(const std::string& name, ModuleType type) const {
    return positions_.count(Key(name, type)) != 0;
}

std::pair<const ModuleInfo&, const std::string&> MasterCfContent::getModule(
    const std::string& name, ModuleType type) const {
    Key key(name, type);
    auto module = modules_.find(key);
    auto position = positions_.find(key);
    if (module == modules_.end() || position == positions_.end())
        throw std::out_of_range("no such module " + name);
    return {module->second, *position->second};
}

std::vector<ModuleInfo> MasterCfContent::modules() const {
    std::vector<ModuleInfo> result;
    result.reserve(modules_.size());
    for (const auto& entry : modules_)
        result.push_back(entry.second);
    return result;
}

std::string MasterCfContent::text() const {
    std::string result;
    for (const std::string& line : lines) {
        result += line;
        result += '\n';
    }
    if (missingFinalLineFeed_ && !result.empty())
        result.pop_back();
    return result;
}

}  // namespace quarn::mail::postfix
