#include "mail/postfix/doc/declaration_probe.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <stdexcept>
#include <string>

#include <boost/program_options/value_semantic.hpp>
#include <gtest/gtest.h>

#include "lib/errors/errors.h"
#include "mail/postfix/options/program_options_helper.h"

namespace po = boost::program_options;
using quarn::mail::postfix::doc::decodeDeclarations;
using quarn::mail::postfix::doc::encodeDeclarations;
using quarn::mail::postfix::doc::probeHandler;
using quarn::mail::postfix::doc::ProbeOutcome;
using quarn::mail::postfix::mxwarden_commands::DeclaredOptions;
using quarn::mail::postfix::mxwarden_commands::ProgramOptionsHelper;
using quarn::mail::postfix::mxwarden_commands::standardOptionsParse;

namespace {

// A handler that would act after its parsing: the probe must stop it there.
int declaringHandler(int argc, char** argv) {
    ProgramOptionsHelper options("do a thing", "--thing --name=<name> [-D]");
    options.addOptions()
        ("name", po::value<std::string>(), "the name", true)
        ("disabled,D", "switched off");
    standardOptionsParse(options, argc, argv);
    throw std::logic_error("acted after parsing");
}

// Reports who runs it and where its output goes, through its description.
int identityHandler(int argc, char** argv) {
    struct stat out;
    const bool outIsNull = ::fstat(1, &out) == 0 && S_ISCHR(out.st_mode) &&
                           out.st_rdev == makedev(1, 3);
    ProgramOptionsHelper options(std::to_string(::geteuid()) + (outIsNull ? " null" : " tty"),
                                 "--who");
    standardOptionsParse(options, argc, argv);
    return 0;
}

int returningHandler(int, char**) { return 0; }

int unbuiltHandler(int, char** argv) {
    throw quarn::NotSupportedError(std::string("command ") + argv[0]);
}

int throwingHandler(int, char**) { throw std::runtime_error("no panel database"); }

// Every field, one option a line: name,short,description,takesValue,mandatory.
std::string show(const DeclaredOptions& d) {
    std::string text = d.description + "|" + d.syntax + "\n";
    for (const auto& o : d.options)
        text += o.name + "," + o.shortName + "," + o.description + "," +
                std::to_string(o.takesValue) + "," + std::to_string(o.mandatory) + "\n";
    return text;
}

TEST(DeclarationProbe, ReadsTheDeclarationsAndStopsAtTheParsing) {
    const auto probe = probeHandler("--thing", declaringHandler);
    ASSERT_EQ(ProbeOutcome::Declared, probe.outcome);
    EXPECT_EQ("do a thing|--thing --name=<name> [-D]\n"
              "name,,the name (mandatory),1,1\n"
              "disabled,D,switched off,0,0\n",
              show(probe.declared));
}

// Whatever a handler might do before its parsing, it does without root's
// rights and without the generator's output.
TEST(DeclarationProbe, RunsTheHandlerConfined) {
    const std::string want = (::geteuid() == 0 ? "65534" : std::to_string(::geteuid())) + " null";
    EXPECT_EQ(want, probeHandler("--who", identityHandler).declared.description);
}

TEST(DeclarationProbe, HandlersThatDoNotReachTheirParsing) {
    EXPECT_EQ(ProbeOutcome::NotBuilt, probeHandler("--later", unbuiltHandler).outcome);
    struct Case {
        const char* name;
        quarn::mail::postfix::mxwarden_commands::Handler handler;
        const char* want;
    };
    const Case cases[] = {
        {"returns", returningHandler, "returned without parsing options"},
        {"throws", throwingHandler, "threw before it parsed its options"},
    };
    for (const Case& c : cases) {
        try {
            probeHandler("--word", c.handler);
            ADD_FAILURE() << c.name << ": got no error";
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string::npos, std::string(e.what()).find(c.want))
                << c.name << ": got \"" << e.what() << "\", want it to hold \"" << c.want
                << "\"";
        }
    }
}

TEST(DeclarationProbe, WireFormKeepsEveryCharacter) {
    DeclaredOptions sent{"tab\there", "line\nbreak \\ back", {}};
    sent.options.push_back({"opt", "o", "desc\t\\n\n", true, false});
    EXPECT_EQ(show(sent), show(decodeDeclarations(encodeDeclarations(sent))));
}

}  // namespace
