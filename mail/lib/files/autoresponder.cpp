#include "mail/lib/files/autoresponder.h"

#include "lib/errors/log.h"
#include "lib/names/idn.h"
#include "lib/util/malloc_string.h"
#include "mail/lib/handlers/mh_db_change.h"
#include "mail/lib/handlers/mh_db_list.h"

#include <boost/algorithm/string/classification.hpp>
#include <boost/algorithm/string/split.hpp>

#include <algorithm>
#include <new>
#include <string>
#include <vector>

const char* const AUTORESPONDER_HOOK = "/usr/local/vel/handlers/hooks/autoresponder";

namespace {

// The longest address a handler is made for.
const std::size_t MAX_ADDRESS = 254;

// The words of a list split at commas and blanks, runs counting as one.
bool splitList(const char* text, std::vector<std::string>* words) {
    try {
        std::string list(text ? text : "");
        boost::split(*words, list, boost::is_any_of(", "), boost::token_compress_on);
        words->erase(std::remove(words->begin(), words->end(), std::string()), words->end());
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

// Appends the handler of mailname@domain; false (logged) when the address
// cannot be made.
bool addHandler(const std::string& mailname, const std::string& domain, mh_list_t* list) {
    quarn::MallocString ascii(idn_toascii(domain.c_str()));
    if (!ascii) {
        quarn_log(3, "idn_toascii() failed: %s", idn_strerror(idn_errno));
        return false;
    }
    std::string address = mailname + "@" + ascii.get();
    if (address.size() > MAX_ADDRESS) {
        quarn_log(3, "domain name too long\n");
        return false;
    }
    quarn::MhRecord record;
    record.type = MH_TYPE_RECIPIENT;
    record.queue = MH_QUEUE_BEFORE_LOCAL;
    record.priority = 90;
    record.enabled = 1;
    return mh_data_set(&record.name, "autoresponder") == 0 &&
           mh_data_set(&record.address, address.c_str()) == 0 &&
           mh_data_set(&record.executable, AUTORESPONDER_HOOK) == 0 &&
           mh_data_set(&record.context, "responder") == 0 && mh_list_add(list, &record) == 0;
}

}  // namespace

int autoresponder_action(const char* mailnames, const char* domains, int action) {
    if (action != AUTORESPONDER_REGISTER && action != AUTORESPONDER_UNREGISTER)
        return 0;
    std::vector<std::string> names, doms;
    if (!splitList(mailnames, &names)) {
        quarn_log(3, "Unable to split mailnames list");
        return -1;
    }
    if (!splitList(domains, &doms)) {
        quarn_log(3, "Unable to split domains list");
        return -1;
    }
    quarn::MhList list;
    for (const std::string& name : names)
        for (const std::string& domain : doms)
            if (!addHandler(name, domain, &list)) {
                quarn_log(3, "Unable to make action for some autoresponder handlers");
                return -1;
            }
    return mh_db_do(&list, nullptr, action == AUTORESPONDER_REGISTER ? mh_db_add : mh_db_remove);
}
