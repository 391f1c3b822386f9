// The command-line programs as an installed copy meets its users: each
// answers --version and --help, and marklift-prepare finds the settings file
// the window would use, beside itself only where its users may write.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "core/session/application.h"
#include "support/child_process.h"
#include "support/temp_directory.h"

namespace marklift {
namespace {

namespace fs = std::filesystem;
using testing::BecomeUnprivileged;
using testing::ProgramResult;
using testing::RunProgram;
using testing::TempDirectory;

TEST(InstalledProgramsTest, EachAnswersVersionAndHelpOnStandardOutput) {
    const struct {
        const char* name;
        const char* path;
    } programs[] = {
        {"marklift-prepare", MARKLIFT_PREPARE_PROGRAM},
        {"xbtool", MARKLIFT_XBTOOL_PROGRAM},
        {"marklift-demo-data", MARKLIFT_DEMO_DATA_PROGRAM},
    };
    for (const auto& program : programs) {
        SCOPED_TRACE(program.name);
        const ProgramResult version = RunProgram(program.path, {"--version"});
        EXPECT_EQ(version.status, 0);
        EXPECT_EQ(version.out, VersionLine(program.name) + "\n");
        EXPECT_EQ(version.err, "");
        const ProgramResult help = RunProgram(program.path, {"--help"});
        EXPECT_EQ(help.status, 0);
        EXPECT_TRUE(help.out.starts_with(std::string("usage: ") + program.name)) << help.out;
        EXPECT_EQ(help.err, "");
    }
}

// A copy of marklift-prepare in a folder of root's, with a settings file
// beside it that names a period, and another in the user's settings folder
// that does not: which one was read shows in the error naming it.
TEST(InstalledProgramsTest, PrepareReadsTheUserSettingsFileWhenItsFolderIsNotWritable) {
    TempDirectory dir;
    fs::permissions(dir.path(), fs::perms::all);
    fs::create_directories(dir.path() / "program");
    fs::copy_file(MARKLIFT_PREPARE_PROGRAM, dir.path() / "program" / "marklift-prepare");
    dir.writeFile("program/MARKLIFT.ini", "[Testing Periods]\r\nZOLT From=1\r\n");
    dir.writeFile("config/Marklift/MARKLIFT.ini", "[ZOLT Export]\r\nSearch=1\r\n");
    fs::permissions(dir.path() / "config", fs::perms::all);
    const std::string program = (dir.path() / "program" / "marklift-prepare").string();
    const std::string config = (dir.path() / "config").string();

    const struct {
        const char* name;
        bool asUser;
        std::string lastLine;
    } cases[] = {
        {"root may write the program's folder: the file beside it", false,
         "marklift-prepare: no output file: give --out or set \"Filename\" in [ZOLT Auto "
         "Export] of " +
             dir.programPath() + "program\\MARKLIFT.ini\n"},
        {"a user may not: the user's own file", true,
         "marklift-prepare: no testing period: give --period or set \"ZOLT From\" in " +
             dir.programPath() + "config\\Marklift\\MARKLIFT.ini\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ProgramResult result = RunProgram(program, {}, [&] {
            ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
            if (c.asUser) BecomeUnprivileged();
        });
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.err, c.lastLine);
    }
}

}  // namespace
}  // namespace marklift
