#include "lib/errors/exc.h"

#include <memory>
#include <string>
#include <vector>

#include <boost/format.hpp>
#include <gtest/gtest.h>

namespace {

using quarn::ExInfoVisitor;

const bool TestTag = true;
using TestExc = quarn::Exc<&TestTag>;

// Writes every part it is shown as "field=value".
class RecordingVisitor : public ExInfoVisitor {
public:
    void visitString(const char* field, const std::string& value) override {
        parts.push_back(std::string(field) + "=" + value);
    }
    void visitInt(const char* field, int value) override {
        parts.push_back(std::string(field) + "=" + std::to_string(value));
    }
    void openIncluded() override { parts.push_back("included"); }

    std::vector<std::string> parts;
};

std::vector<std::string> partsOf(const quarn::ExVisitable& e) {
    RecordingVisitor v;
    e.accept(v);
    return v.parts;
}

TEST(Exc, AcceptSendsThrowPointFirstThenTheIncluded) {
    struct Case {
        const char* name;
        bool include;
        std::vector<std::string> want;
    } cases[] = {
        {"alone", false,
         {"function=void f()", "file=File", "line=12", "error=Ex::Text", "info=", "code=0",
          "message=msg 5"}},
        {"with cause", true,
         {"function=void f()", "file=File", "line=12", "error=Ex::Text", "info=", "code=0",
          "message=msg 5", "included", "function=g", "file=G", "line=3", "error=Inner",
          "info=why", "code=9", "message=inner"}},
    };
    for (const Case& c : cases) {
        TestExc e("void f()", "File", 12, "Ex::Text", boost::format("msg %1%") % 5);
        if (c.include)
            e.include(TestExc("g", "G", 3, "Inner", boost::format("inner"), "why", 9));
        EXPECT_EQ(c.want, partsOf(e)) << c.name;
    }
}

TEST(Exc, CloneCopiesTheIncludedDeeply) {
    auto original = std::make_unique<TestExc>("f", "F", 1, "Outer", boost::format("outer"));
    original->include(quarn::ExTraceable("Inner", boost::format("inner %1%") % "x"));
    std::unique_ptr<TestExc> copy(original->clone());
    const quarn::ExTraceable* cause = copy->included();
    ASSERT_NE(nullptr, cause);
    EXPECT_NE(original->included(), cause) << "the included exception must be copied";
    std::vector<std::string> want = partsOf(*original);
    original.reset();
    EXPECT_EQ(want, partsOf(*copy));
    EXPECT_STREQ("inner x", cause->what());
}

}  // namespace
