// marklift's command line: the settings file it names, the answers given
// without a window, and what it refuses.
#include "gui/program_options.h"

#include <gtest/gtest.h>

namespace marklift {
namespace {

using Answer = ProgramOptions::Answer;

TEST(ProgramOptionsTest, ReadsTheCommandLine) {
    const struct {
        const char* name;
        std::vector<std::string> arguments;
        Answer answer;
        std::optional<std::string> iniFile;
        const char* error;
    } cases[] = {
        {"nothing", {}, Answer::None, {}, ""},
        {"--ini FILE", {"--ini", "/srv/site.ini"}, Answer::None, "/srv/site.ini", ""},
        {"--ini=FILE", {"--ini=/srv/site.ini"}, Answer::None, "/srv/site.ini", ""},
        {"the last --ini counts", {"--ini", "a.ini", "--ini", "b.ini"}, Answer::None, "b.ini", ""},
        {"--version", {"--version"}, Answer::Version, {}, ""},
        {"--help", {"--help"}, Answer::Help, {}, ""},
        {"-h", {"-h"}, Answer::Help, {}, ""},
        {"--version after Qt's options",
         {"-platform", "offscreen", "--version"},
         Answer::Version,
         {},
         ""},
        {"--ini without its value", {"--ini"}, Answer::None, {}, "--ini needs a value"},
        {"--ini= without its value", {"--ini="}, Answer::None, "", "--ini needs a value"},
        {"an unknown option", {"--data", "x"}, Answer::None, {}, "unknown option \"--data\""},
        {"a stray argument",
         {"MARKLIFT.ini"},
         Answer::None,
         {},
         "unexpected argument \"MARKLIFT.ini\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ProgramOptions options = ParseProgramOptions(c.arguments);
        EXPECT_EQ(options.answer, c.answer);
        EXPECT_EQ(options.iniFile, c.iniFile);
        EXPECT_EQ(options.error, c.error);
    }
}

}  // namespace
}  // namespace marklift
