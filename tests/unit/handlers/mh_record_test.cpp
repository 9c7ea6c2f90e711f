// Names of handler types and hooks, and deep copies of records in lists.
#include "mail/lib/handlers/mh_record.h"

#include <string>

#include <gtest/gtest.h>

namespace {

TEST(MhRecord, TypeAndHookNames) {
    struct Case {
        int number;
        const char* type;
        const char* queue;
    };
    const Case cases[] = {{0, "sender", "before-data"},
                          {1, "recipient", "before-queue"},
                          {2, "sender-domain", "before-local"},
                          {3, "recipient-domain", "before-remote"},
                          {4, "global", "unknown"},
                          {5, "unknown", "unknown"},
                          {77, "unknown", "unknown"}};
    for (const Case& c : cases) {
        EXPECT_STREQ(mhc_get_typestr(c.number), c.type) << c.number;
        EXPECT_STREQ(mhc_get_queuestr(c.number), c.queue) << c.number;
        if (c.number < 5) {
            EXPECT_EQ(mh_get_type(c.type), c.number) << c.type;
        }
        if (c.number < 4) {
            EXPECT_EQ(mh_get_queue(c.queue), c.number) << c.queue;
        }
    }
    EXPECT_EQ(mh_get_type("Sender"), MH_TYPE_UNKNOWN);
    EXPECT_EQ(mh_get_queue(nullptr), MH_QUEUE_UNKNOWN);
}

TEST(MhRecord, ListsHoldDeepCopiesInOrder) {
    quarn::MhList list;
    for (const char* name : {"first", "second"}) {
        quarn::MhRecord r;
        EXPECT_EQ(r.type, MH_TYPE_UNKNOWN);
        EXPECT_EQ(r.queue, MH_QUEUE_UNKNOWN);
        mh_data_set(&r.name, name);
        ASSERT_EQ(mh_list_add(&list, &r), 0);
    }  // the originals are freed here; the copies must stay
    ASSERT_EQ(list.count, 2u);
    EXPECT_STREQ(list.head->data->name, "first");
    EXPECT_STREQ(list.head->next->data->name, "second");
    EXPECT_EQ(list.head->data->address, nullptr);
}

}  // namespace
