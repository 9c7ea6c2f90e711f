// Each SPF setting alone replaces only its own file, with the text exactly.
#include "mail/lib/files/spf_settings.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/file_text.h"
#include "tests/support/saved_file.h"

namespace {

const char* const FILES[] = {"/etc/vel-spf/spfbehavior", "/etc/vel-spf/spfrules",
                             "/etc/vel-spf/spfguess", "/etc/vel-spf/spfexp"};

TEST(SpfSettings, EachArgumentChangesOnlyItsFile) {
    const std::string texts[] = {"3", "include:spf.example.test ?all", "v=spf1 a/24 mx/24 ptr ",
                                 "See %{h}\nfor why"};
    for (int i = 0; i < 4; ++i) {
        std::vector<std::unique_ptr<testsupport::SavedFile>> saved;
        for (const char* f : FILES) {
            saved.push_back(std::make_unique<testsupport::SavedFile>(f));
            saved.back()->write("old\n");
        }
        std::array<const char*, 4> args{};
        args[i] = texts[i].c_str();
        EXPECT_EQ(0, update_spf(args[0], args[1], args[2], args[3])) << FILES[i];
        for (int j = 0; j < 4; ++j)
            EXPECT_EQ(i == j ? texts[i] : "old\n", testsupport::readFile(FILES[j]))
                << "setting " << FILES[i] << ", file " << FILES[j];
    }
}

}  // namespace
