#include "mail/postfix/tables/record_filters.h"

#include <functional>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace quarn::mail::postfix::database;

/// Element filter that drops one element and keeps everything else.
struct DropElement {
    std::string victim;
    bool operator()(std::string& element) const { return element != victim; }
};

/// Element filter that keeps everything unchanged.
struct KeepElement {
    bool operator()(std::string&) const { return true; }
};

/// Captures std::clog for the life of the object, restoring it on every path.
class ClogCapture {
public:
    ClogCapture() : saved_(std::clog.rdbuf(text_.rdbuf())) {}
    ~ClogCapture() { std::clog.rdbuf(saved_); }
    std::string text() const { return text_.str(); }

private:
    std::ostringstream text_;
    std::streambuf* saved_;
};

/// Runs `dump` through a DataStreamFilter, cut into chunks at `cuts`.
template <class Filter>
std::string runCut(const Filter& filter, const std::string& dump,
                   const std::vector<size_t>& cuts) {
    std::ostringstream out;
    DataStreamFilter<Filter> stream(filter, out);
    size_t from = 0;
    for (size_t cut : cuts) {
        std::vector<char> chunk(dump.begin() + from, dump.begin() + cut);
        stream.filterChunk(chunk);
        from = cut;
    }
    stream.filterChunk(std::vector<char>(dump.begin() + from, dump.end()));
    stream.filterTail();
    return out.str();
}

const std::string from = "old@example.com";
const std::string to = "new@example.com";

// An empty line is reported and dropped.
const std::string dump =
    "old@example.com   old@example.com,other@example.com\n"
    "alias@example.com\told@example.com/ \t\n"
    "\n"
    "gone@example.com old@example.com\n"
    "keyonly@example.com   \n"
    "plain@example.com a@x.org b@x.org\n"
    "last@example.com old@example.com";  // No line end: filterTail's job.

TEST(DataStreamFilter, EveryCutGivesTheSameResult) {
    const std::string want =
        "new@example.com new@example.com, other@example.com\n"
        "alias@example.com new@example.com/\n"
        "gone@example.com new@example.com\n"
        "plain@example.com a@x.org, b@x.org\n"
        "last@example.com new@example.com\n";
    ReplaceElementFilterRef replace(from, to);
    ElementsFilter<ReplaceElementFilterRef> filter(replace);
    for (size_t i = 0; i <= dump.size(); ++i) {
        ClogCapture clog;  // also quiets the runs with two cuts
        EXPECT_EQ(want, runCut(filter, dump, {i})) << "cut at " << i;
        EXPECT_EQ("invalid key/value ''\n", clog.text()) << "cut at " << i;
        for (size_t j = i; j <= dump.size(); j += 7)
            ASSERT_EQ(want, runCut(filter, dump, {i, j})) << "cuts at " << i << ", " << j;
    }
}

// Each record reaches the filter once, whole, whatever the chunks; a dump
// that ends in a line end has no tail.
TEST(DataStreamFilter, RecordsReachTheFilterOnce) {
    struct Case {
        const char* name;
        std::string dump;
        std::vector<size_t> cuts;
        int wantCalls;
    } cases[] = {
        {"record split across chunks", "key value\n", {2, 5}, 1},
        {"empty dump", "", {}, 0},
        {"no tail", "a b\n", {}, 1},
    };
    for (const Case& c : cases) {
        int calls = 0;
        auto counting = [&calls](std::string&) { ++calls; return true; };
        EXPECT_EQ(c.dump, runCut(counting, c.dump, c.cuts)) << c.name;
        EXPECT_EQ(c.wantCalls, calls) << "case " << c.name << ": got " << calls << " calls";
    }
}

// One record, value or element through a filter: kept or dropped, the text
// after the filter, and what was logged. Blank runs, tabs, trailing blanks,
// empty lines, keys with blanks only and elements renamed in key and list
// are shown by the dump above; dropped keys, elements and records by the
// filter cases of tests/sandboxed/tables/database_helper_test.cpp.
TEST(RecordFilters, OneText) {
    ReplaceElementFilterRef replace(from, to);
    KeyValueFilter<KeepElement, KeepElement> keep(KeepElement{}, KeepElement{});
    KeyValueFilter<ReplaceElementFilterRef, ReplaceElementFilterRef> keyValueReplace(replace,
                                                                                     replace);
    ElementsFilter<DropElement> elementsDrop(DropElement{"x@a.org"});
    ValueListFilter<KeepElement> list{KeepElement{}};
    struct Case {
        const char* name;
        std::function<bool(std::string&)> filter;
        std::string text;
        bool kept;
        std::string want;  // The text after the filter when kept.
        std::string message;
    } cases[] = {
        {"inner blanks kept", keep, "k a  b", true, "k a  b", ""},
        {"no blank", keep, "novalue", false, "", "invalid key/value 'novalue'\n"},
        {"leading blank", keep, " k v", true, " k v", ""},
        {"value is a list, not one item", keyValueReplace, "k old@example.com, a@b", true,
         "k old@example.com, a@b", ""},
        {"all dropped twice", elementsDrop, "k x@a.org,x@a.org ,\tx@a.org", false, "", ""},
        {"list in normal form", list, "a, b", true, "a, b", ""},
        {"list with a separator run", list, "a ,\t, b", true, "a, b", ""},
        {"list with other white space", list, "a\nb\vc\fd\re", true, "a, b, c, d, e", ""},
        {"list: an empty first element adds nothing", list, ",a", true, "a", ""},
        {"list: an empty last element follows a separator", list, "a,", true, "a, ", ""},
        {"list: a lone empty element adds nothing", list, "", false, "", ""},
        {"replace: longer path", replace, "old@example.com/more", true, "old@example.com/more", ""},
        {"replace: two slashes", replace, "old@example.com//", true, "old@example.com//", ""},
        {"replace: case", replace, "Old@example.com", true, "Old@example.com", ""},
        {"replace: shorter", replace, "old@example.co", true, "old@example.co", ""},
        {"replace: longer", replace, "xold@example.com", true, "xold@example.com", ""},
        {"replace: empty", replace, "", true, "", ""},
    };
    for (const Case& c : cases) {
        ClogCapture clog;
        std::string text = c.text;
        bool kept = c.filter(text);
        EXPECT_EQ(c.kept, kept) << c.name << ": got kept=" << kept;
        if (c.kept && kept) {
            EXPECT_EQ(c.want, text) << c.name;
        }
        EXPECT_EQ(c.message, clog.text()) << c.name;
    }
}

}  // namespace
