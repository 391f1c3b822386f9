// The platform's answers about settings folders: who may write a folder,
// which folders are the system's, and where the user's settings go.
#include "platform/user_folders.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "support/child_process.h"
#include "support/temp_directory.h"

namespace marklift {
namespace {

namespace fs = std::filesystem;
using testing::TempDirectory;

TEST(UserFoldersTest, AFolderIsWritableWhenItExists) {
    TempDirectory dir;
    dir.writeFile("file", "x");
    EXPECT_TRUE(directoryWritable(dir.programPath()));
    EXPECT_FALSE(directoryWritable(dir.programPath() + "missing\\"));
    EXPECT_FALSE(directoryWritable(dir.programPath() + "file\\"));
}

TEST(UserFoldersTest, AnotherUsersFolderIsNotWritable) {
#ifdef _WIN32
    GTEST_SKIP() << "POSIX-only: another user's folder is made by dropping root";
#else
    TempDirectory dir;
    fs::create_directory(dir.path() / "locked");
    fs::permissions(dir.path() / "locked", fs::perms::owner_all | fs::perms::group_read |
                                               fs::perms::group_exec | fs::perms::others_read |
                                               fs::perms::others_exec);
    fs::permissions(dir.path(), fs::perms::all);
    fs::create_directory(dir.path() / "open");
    fs::permissions(dir.path() / "open", fs::perms::all);

    // Root may write anywhere; a user may not write another's folder.
    const auto asUser = testing::RunInChild([&] {
        testing::BecomeUnprivileged();
        return std::string(directoryWritable(dir.programPath() + "locked\\") ? "locked " : "") +
               (directoryWritable(dir.programPath() + "open\\") ? "open" : "");
    });
    EXPECT_EQ(asUser.status, 0) << asUser.report;
    EXPECT_EQ(asUser.report, "open");
#endif
}

TEST(UserFoldersTest, TheSystemsProgramFoldersAreItsOwn) {
    const struct {
        const char* directory;
        bool system;
    } cases[] = {
#ifdef _WIN32
        {"C:\\Program Files\\Marklift\\", true},
        {"c:\\program files\\marklift\\", true},
        {"C:/Program Files/Marklift/", true},
        {"C:\\Windows\\System32\\", true},
        {"C:\\Marklift\\", false},
        {"C:\\Program Files Backup\\Marklift\\", false},
        {"D:\\Program Files\\Marklift\\", false},
#else
        {"\\usr\\bin\\", true},
        {"\\usr\\local\\bin\\", true},
        {"/usr/games/", true},
        {"\\bin\\", true},
        {"\\opt\\marklift\\", false},
        {"\\home\\ann\\bin\\", false},
        {"\\usrdata\\marklift\\", false},
        {"\\srv\\usr\\", false},
#endif
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.directory);
        EXPECT_EQ(isSystemProgramDirectory(c.directory), c.system);
    }
}

#ifdef _WIN32
TEST(UserFoldersTest, TheUserSettingsFolderIsTheRoamingApplicationDataFolder) {
    const char* appData = std::getenv("APPDATA");
    ASSERT_NE(appData, nullptr);
    EXPECT_EQ(userSettingsDirectory(), std::string(appData) + "\\");
}
#else
// Sets or removes environment variables for one scope.
class Environment {
public:
    ~Environment() {
        for (const auto& [name, value] : saved_)
            value ? ::setenv(name.c_str(), value->c_str(), 1) : ::unsetenv(name.c_str());
    }
    void set(const std::string& name, const char* value) {
        if (!saved_.count(name)) {
            const char* old = std::getenv(name.c_str());
            saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        value ? ::setenv(name.c_str(), value, 1) : ::unsetenv(name.c_str());
    }

private:
    std::map<std::string, std::optional<std::string> > saved_;
};

TEST(UserFoldersTest, TheUserSettingsFolderFollowsTheBaseDirectoryRules) {
    const struct {
        const char* name;
        const char* configHome;
        const char* home;
        const char* expected;
    } cases[] = {
        {"XDG_CONFIG_HOME set", "/srv/cfg", "/home/ann", "\\srv\\cfg\\"},
        {"XDG_CONFIG_HOME ending in a slash", "/srv/cfg/", "/home/ann", "\\srv\\cfg\\"},
        {"XDG_CONFIG_HOME unset", nullptr, "/home/ann", "\\home\\ann\\.config\\"},
        {"XDG_CONFIG_HOME empty", "", "/home/ann", "\\home\\ann\\.config\\"},
        {"XDG_CONFIG_HOME relative, so ignored", "cfg", "/home/ann", "\\home\\ann\\.config\\"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Environment environment;
        environment.set("XDG_CONFIG_HOME", c.configHome);
        environment.set("HOME", c.home);
        EXPECT_EQ(userSettingsDirectory(), c.expected);
    }
}

TEST(UserFoldersTest, WithoutHomeTheUsersEntryInThePasswordFileCounts) {
    Environment environment;
    environment.set("XDG_CONFIG_HOME", nullptr);
    environment.set("HOME", nullptr);
    const std::string folder = userSettingsDirectory();
    ASSERT_FALSE(folder.empty());
    EXPECT_TRUE(folder.ends_with("\\.config\\")) << folder;
}

#endif

TEST(UserFoldersTest, CreatesAFolderWithItsParents) {
    TempDirectory dir;
    EXPECT_TRUE(createDirectories(dir.programPath() + "a\\b\\c\\"));
    EXPECT_TRUE(fs::is_directory(dir.path() / "a" / "b" / "c"));
    EXPECT_TRUE(createDirectories(dir.programPath() + "a\\b\\c\\"));
    dir.writeFile("file", "x");
    EXPECT_FALSE(createDirectories(dir.programPath() + "file\\d\\"));
}

}  // namespace
}  // namespace marklift
