#include "mail/postfix/accounts/hostname_rename_guard.h"

#include <boost/algorithm/string/predicate.hpp>

#include <exception>

#include "lib/names/host_name.h"
#include "mail/postfix/tables/database_helper.h"
#include "mail/postfix/accounts/domain_manager.h"
#include "mail/postfix/tables/postfix_errors.h"
#include "mail/postfix/tables/table_names.h"

namespace quarn::mail::postfix {

safeDomainFromToHostnameRenamer::safeDomainFromToHostnameRenamer()
    : hostName_(fullHostName()), uncaught_(std::uncaught_exceptions()) {}

safeDomainFromToHostnameRenamer::~safeDomainFromToHostnameRenamer() {
    if (std::uncaught_exceptions() <= uncaught_)
        return;
    try {
        if (renamedFromHostname)
            removeHostRecords();
        if (renamedToHostname)
            addHostRecords();
    } catch (...) {
        reportDoubleError("Postfix Virtual Domains Database");
    }
}

void safeDomainFromToHostnameRenamer::beforeRename(const std::string& newAlias) {
    if (!isHostName(newAlias))
        return;
    // Set first: the undo must also mend a removal that stopped half way.
    renamedToHostname = true;
    removeHostRecords();
}

void safeDomainFromToHostnameRenamer::afterRename(const std::string& oldAlias) {
    if (!isHostName(oldAlias))
        return;
    renamedFromHostname = true;
    addHostRecords();
}

bool safeDomainFromToHostnameRenamer::isHostName(const std::string& name) const {
    return !hostName_.empty() && boost::algorithm::iequals(name, hostName_);
}

void safeDomainFromToHostnameRenamer::removeHostRecords() const {
    DatabaseHelper::removeRecord(tables::VIRTUAL, hostName_);
    DomainManager::removeStandardDomainAddresses(hostName_);
}

void safeDomainFromToHostnameRenamer::addHostRecords() const {
    DatabaseHelper::addRecord(tables::VIRTUAL, hostName_, "1");
    DomainManager::createStandardDomainAddresses(hostName_);
}

}  // namespace quarn::mail::postfix
