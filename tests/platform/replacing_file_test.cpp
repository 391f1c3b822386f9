// ReplacingFile: the target changes only at commit, whole; a file given up
// part way leaves the target as it was and nothing beside it.
#include "platform/replacing_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/file.h"
#include "support/temp_directory.h"

namespace fs = std::filesystem;
using namespace marklift;

namespace {

class ReplacingFileTest : public ::testing::Test {
protected:
    marklift::testing::TempDirectory dir_;
};

TEST_F(ReplacingFileTest, TheTargetChangesOnlyAtCommitAndThenHoldsEveryByte) {
    dir_.writeFile("UPLOAD.ASC", "previous upload\r\n");
    std::string expected;
    for (int i = 0; i < 10000; ++i) expected += "line " + std::to_string(i) + "\r\n";
    {
        ReplacingFile file(dir_.file("UPLOAD.ASC"));
        EXPECT_EQ(fs::path(file.temporaryPath()).parent_path(), dir_.path());
        file.write(expected.substr(0, 30000));
        file.write(expected.substr(30000));  // past the buffer: bytes reach the temporary file
        EXPECT_GT(fs::file_size(file.temporaryPath()), 0u);
        EXPECT_EQ(dir_.readFile("UPLOAD.ASC"), "previous upload\r\n");
        file.commit();
    }
    EXPECT_EQ(dir_.readFile("UPLOAD.ASC"), expected);
    EXPECT_EQ(dir_.entries(), std::vector<std::string>{"UPLOAD.ASC"});
}

TEST_F(ReplacingFileTest, AFileGivenUpPartWayLeavesThePreviousOneAndNothingBesideIt) {
    dir_.writeFile("UPLOAD.ASC", "previous upload\r\n");
    {
        ReplacingFile file(dir_.file("UPLOAD.ASC"));
        file.write(std::string(200000, 'x'));
    }
    EXPECT_EQ(dir_.readFile("UPLOAD.ASC"), "previous upload\r\n");
    EXPECT_EQ(dir_.entries(), std::vector<std::string>{"UPLOAD.ASC"});
}

TEST_F(ReplacingFileTest, ANewFileAppearsOnlyAtCommit) {
    {
        ReplacingFile file(dir_.file("new.asc"));
        file.write("abc");
        EXPECT_FALSE(fs::exists(dir_.file("new.asc")));
    }
    EXPECT_TRUE(dir_.entries().empty());
    ReplacingFile file(dir_.file("new.asc"));
    file.write("abc");
    file.commit();
    EXPECT_EQ(dir_.readFile("new.asc"), "abc");
}

TEST_F(ReplacingFileTest, TargetsThatCannotBeWrittenFailBeforeAnythingIsMade) {
    fs::create_directory(dir_.path() / "folder");
    EXPECT_THROW(ReplacingFile(dir_.file("missing/upload.asc")), PlatformError);
    EXPECT_THROW(ReplacingFile(dir_.file("folder")), PlatformError);
    EXPECT_THROW(ReplacingFile(""), PlatformError);
    EXPECT_EQ(dir_.entries(), std::vector<std::string>{"folder"});
}

TEST_F(ReplacingFileTest, TheReplacementKeepsTheOldFilesPermissionsAndCaseFreeName) {
    dir_.writeFile("upload.asc", "old");
    fs::permissions(dir_.file("upload.asc"),
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ReplacingFile file(dir_.path().string() + "\\UPLOAD.ASC");
    file.write("new");
    file.commit();
    EXPECT_EQ(dir_.entries(), std::vector<std::string>{"upload.asc"});
    EXPECT_EQ(dir_.readFile("upload.asc"), "new");
    EXPECT_EQ(fs::status(dir_.file("upload.asc")).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

}  // namespace
