#include "mail/lib/handlers/mh_record.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace {

const char* const TYPE_NAMES[] = {"sender",           "recipient", "sender-domain",
                                  "recipient-domain", "global",    "unknown"};
const char* const QUEUE_NAMES[] = {"before-data", "before-queue", "before-local", "before-remote",
                                   "unknown"};

int indexOf(const char* const* names, int known, const char* name) {
    for (int i = 0; name && i < known; ++i)
        if (std::strcmp(names[i], name) == 0)
            return i;
    return known;
}

}  // namespace

void mh_data_init_ex(mh_t* record) {
    record->priority = 0;
    record->type = MH_TYPE_UNKNOWN;
    record->queue = MH_QUEUE_UNKNOWN;
    record->name = nullptr;
    record->address = nullptr;
    record->executable = nullptr;
    record->context = nullptr;
    record->enabled = 0;
}

void mh_data_free_ex(mh_t* record) {
    for (char** field : {&record->name, &record->address, &record->executable, &record->context}) {
        std::free(*field);
        *field = nullptr;
    }
}

void mh_data_free(mh_t* record) {
    if (!record)
        return;
    mh_data_free_ex(record);
    std::free(record);
}

int mh_data_set(char** field, const char* value) {
    char* copy = value ? strdup(value) : nullptr;
    if (value && !copy)
        return -1;
    std::free(*field);
    *field = copy;
    return 0;
}

mh_t* mh_data_clone(const mh_t* record) {
    auto* copy = static_cast<mh_t*>(std::malloc(sizeof(mh_t)));
    if (!copy)
        return nullptr;
    mh_data_init_ex(copy);
    copy->priority = record->priority;
    copy->type = record->type;
    copy->queue = record->queue;
    copy->enabled = record->enabled;
    if (mh_data_set(&copy->name, record->name) || mh_data_set(&copy->address, record->address) ||
        mh_data_set(&copy->executable, record->executable) ||
        mh_data_set(&copy->context, record->context)) {
        mh_data_free(copy);
        return nullptr;
    }
    return copy;
}

int mh_get_type(const char* name) { return indexOf(TYPE_NAMES, MH_TYPE_UNKNOWN, name); }

const char* mhc_get_typestr(int type) {
    return type >= 0 && type < MH_TYPE_UNKNOWN ? TYPE_NAMES[type] : "unknown";
}

int mh_get_queue(const char* name) { return indexOf(QUEUE_NAMES, MH_QUEUE_UNKNOWN, name); }

const char* mhc_get_queuestr(int queue) {
    return queue >= 0 && queue < MH_QUEUE_UNKNOWN ? QUEUE_NAMES[queue] : "unknown";
}

void mh_list_init(mh_list_t* list) {
    list->head = nullptr;
    list->tail = nullptr;
    list->count = 0;
}

int mh_list_add(mh_list_t* list, const mh_t* record) {
    auto* entry = static_cast<mh_list_entry_t*>(std::malloc(sizeof(mh_list_entry_t)));
    mh_t* copy = entry ? mh_data_clone(record) : nullptr;
    if (!copy) {
        std::free(entry);
        return -1;
    }
    entry->data = copy;
    entry->next = nullptr;
    if (list->tail)
        list->tail->next = entry;
    else
        list->head = entry;
    list->tail = entry;
    ++list->count;
    return 0;
}

void mh_list_free(mh_list_t* list) {
    for (mh_list_entry_t* entry = list->head; entry;) {
        mh_list_entry_t* next = entry->next;
        mh_data_free(entry->data);
        std::free(entry);
        entry = next;
    }
    mh_list_init(list);
}
