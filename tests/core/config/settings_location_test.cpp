// Which MARKLIFT.ini a run uses: the rule on every combination of what the
// platform answers, and the rule on the real file system.
#include "core/config/settings_location.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_directory.h"

namespace marklift {
namespace {

using testing::TempDirectory;

TEST(SettingsLocationTest, ChoosesTheFileByTheProgramFolderAndTheCommandLine) {
    const struct {
        const char* name;
        std::optional<std::string> named;
        bool writable;
        bool system;
        const char* userDir;
        const char* expected;
    } cases[] = {
        {"a copied folder its users may write",
         {},
         true,
         false,
         "\\home\\ann\\.config\\",
         "\\opt\\marklift\\MARKLIFT.ini"},
        {"a folder its users may not write",
         {},
         false,
         false,
         "\\home\\ann\\.config\\",
         "\\home\\ann\\.config\\Marklift\\MARKLIFT.ini"},
        {"the system's program folder, writable by root",
         {},
         true,
         true,
         "\\root\\.config\\",
         "\\root\\.config\\Marklift\\MARKLIFT.ini"},
        {"no user folder to go to", {}, false, false, "", "\\opt\\marklift\\MARKLIFT.ini"},
        {"a file named on the command line", std::string("\\srv\\site.ini"), true, false,
         "\\home\\ann\\.config\\", "\\srv\\site.ini"},
        {"a named file wins over the user folder", std::string("site.ini"), false, true,
         "\\home\\ann\\.config\\", "site.ini"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(
            ChooseSettingsFile(c.named, {"\\opt\\marklift\\", c.writable, c.system, c.userDir}),
            c.expected);
    }
}

TEST(SettingsLocationTest, AWritableProgramFolderKeepsTheFileBesideTheProgram) {
    TempDirectory program;
    EXPECT_EQ(LocateSettingsFile(std::nullopt, program.programPath()),
              program.programPath() + "MARKLIFT.ini");
    EXPECT_EQ(LocateSettingsFile(std::string("other.ini"), program.programPath()), "other.ini");
}

TEST(SettingsLocationTest, TheSettingsFolderIsMadeWithItsParents) {
    TempDirectory dir;
    MakeSettingsFolder(dir.programPath() + "config\\Marklift\\MARKLIFT.ini");
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "config" / "Marklift"));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "config" / "Marklift" / "MARKLIFT.ini"));
}

}  // namespace
}  // namespace marklift
