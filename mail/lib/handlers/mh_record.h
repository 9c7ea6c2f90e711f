// Mail handler records: the program run for mail at one hook, selected by
// sender, recipient, their domains or for all mail; names of types and
// hooks; lists of records.
#ifndef QUARN_MAIL_LIB_HANDLERS_MH_RECORD_H
#define QUARN_MAIL_LIB_HANDLERS_MH_RECORD_H

#include <cstddef>

enum MhType {
    MH_TYPE_SENDER = 0,
    MH_TYPE_RECIPIENT = 1,
    MH_TYPE_SENDER_DOMAIN = 2,
    MH_TYPE_RECIPIENT_DOMAIN = 3,
    MH_TYPE_GLOBAL = 4,
    MH_TYPE_UNKNOWN = 5,
};

enum MhQueue {
    MH_QUEUE_BEFORE_DATA = 0,
    MH_QUEUE_BEFORE_QUEUE = 1,
    MH_QUEUE_BEFORE_LOCAL = 2,
    MH_QUEUE_BEFORE_REMOTE = 3,
    MH_QUEUE_UNKNOWN = 4,
};

/// One handler; the strings are malloc'ed and owned by the record.
struct mh_t {
    int priority;  // higher runs first
    int type;      // MhType
    int queue;     // MhQueue
    char* name;
    char* address;  // mail address, domain, "all" or "all-recipients"
    char* executable;
    char* context;  // "none" when absent
    int enabled;    // 1 or 0
};

/// Priority 0, unknown type and hook, no strings, disabled.
void mh_data_init_ex(mh_t* record);
/// Frees the four strings (and leaves them null).
void mh_data_free_ex(mh_t* record);
/// Frees the strings and the malloc'ed record itself.
void mh_data_free(mh_t* record);
/// A malloc'ed deep copy; null without memory.
mh_t* mh_data_clone(const mh_t* record);
/// Replaces one string of a record by a malloc'ed copy of `value` (null
/// allowed). 0, or -1 without memory.
int mh_data_set(char** field, const char* value);

/// The type of a name, MH_TYPE_UNKNOWN for any other text.
int mh_get_type(const char* name);
/// The name of a type; "unknown" above 4.
const char* mhc_get_typestr(int type);
/// The hook of a name, MH_QUEUE_UNKNOWN for any other text.
int mh_get_queue(const char* name);
/// The name of a hook; "unknown" above 3.
const char* mhc_get_queuestr(int queue);

struct mh_list_entry_t {
    mh_t* data;
    mh_list_entry_t* next;
};

/// A singly linked list of records in the order they were added.
struct mh_list_t {
    mh_list_entry_t* head;
    mh_list_entry_t* tail;
    std::size_t count;
};

void mh_list_init(mh_list_t* list);
/// Appends a deep copy of `record`. 0, or -1 without memory.
int mh_list_add(mh_list_t* list, const mh_t* record);
/// Frees every entry with its record; the list is empty afterwards.
void mh_list_free(mh_list_t* list);

namespace quarn {

/// A record whose strings are freed when it goes.
struct MhRecord : mh_t {
    MhRecord() { mh_data_init_ex(this); }
    ~MhRecord() { mh_data_free_ex(this); }
    MhRecord(const MhRecord&) = delete;
    MhRecord& operator=(const MhRecord&) = delete;
};

/// A list freed when it goes.
struct MhList : mh_list_t {
    MhList() { mh_list_init(this); }
    ~MhList() { mh_list_free(this); }
    MhList(const MhList&) = delete;
    MhList& operator=(const MhList&) = delete;
};

}  // namespace quarn

#endif
