// The rewrite of one Courier-IMAP settings file, as text.
#include "mail/lib/files/courier_settings.h"

#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

TEST(CourierSettings, Rewrite) {
    const courier_param end = {nullptr, 0, nullptr};
    struct Case {
        const char* name;
        std::vector<courier_param> changes;
        const char* before;
        const char* after;
    } cases[] = {
        {"first line replaced in place, later ones dropped",
         {{"A", 0, "new"}, end}, "x\nA=1\ny\nA=2\n", "x\nA=new\ny\n"},
        {"removed everywhere", {{"A", 1, nullptr}, end}, "A=1\nB=2\nA=3\n", "B=2\n"},
        {"missing ones appended in order", {{"B", 0, "2"}, {"A", 0, "1"}, {"C", 1, "x"}, end},
         "x\n", "x\nB=2\nA=1\n"},
        {"only NAME= matches", {{"A", 0, "1"}, end}, "AB=x\nA =y\n#A=z\nA\n",
         "AB=x\nA =y\n#A=z\nA\nA=1\n"},
        {"null value is empty", {{"A", 0, nullptr}, end}, "A=x\n", "A=\n"},
        {"last line gains its line feed", {{"Z", 1, nullptr}, end}, "a\nb", "a\nb\n"},
        {"the first matching change decides", {{"A", 1, nullptr}, {"A", 0, "1"}, end},
         "A=0\n", ""},
    };
    for (const Case& c : cases) {
        std::istringstream in(c.before);
        std::string out;
        EXPECT_TRUE(courier_params_rewrite(in, out, c.changes.data())) << c.name;
        EXPECT_EQ(c.after, out) << c.name;
    }
}

}  // namespace
