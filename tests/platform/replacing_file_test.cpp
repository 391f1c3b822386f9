// ReplacingFile: the target changes only at commit, whole; a file given up
// part way leaves the target as it was and nothing beside it.
#include "platform/replacing_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/file.h"

namespace fs = std::filesystem;
using namespace marklift;

namespace {

class ReplacingFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("replacing-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string path(const std::string& name) const { return (dir_ / name).string(); }

    static std::string read(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static void put(const std::string& file, const std::string& text) {
        std::ofstream(file, std::ios::binary) << text;
    }
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path dir_;
};

TEST_F(ReplacingFileTest, TheTargetChangesOnlyAtCommitAndThenHoldsEveryByte) {
    put(path("UPLOAD.ASC"), "previous upload\r\n");
    std::string expected;
    for (int i = 0; i < 10000; ++i) expected += "line " + std::to_string(i) + "\r\n";
    {
        ReplacingFile file(path("UPLOAD.ASC"));
        EXPECT_EQ(fs::path(file.temporaryPath()).parent_path(), dir_);
        file.write(expected.substr(0, 30000));
        file.write(expected.substr(30000));  // past the buffer: bytes reach the temporary file
        EXPECT_GT(fs::file_size(file.temporaryPath()), 0u);
        EXPECT_EQ(read(path("UPLOAD.ASC")), "previous upload\r\n");
        file.commit();
    }
    EXPECT_EQ(read(path("UPLOAD.ASC")), expected);
    EXPECT_EQ(entries(), std::vector<std::string>{"UPLOAD.ASC"});
}

TEST_F(ReplacingFileTest, AFileGivenUpPartWayLeavesThePreviousOneAndNothingBesideIt) {
    put(path("UPLOAD.ASC"), "previous upload\r\n");
    {
        ReplacingFile file(path("UPLOAD.ASC"));
        file.write(std::string(200000, 'x'));
    }
    EXPECT_EQ(read(path("UPLOAD.ASC")), "previous upload\r\n");
    EXPECT_EQ(entries(), std::vector<std::string>{"UPLOAD.ASC"});
}

TEST_F(ReplacingFileTest, ANewFileAppearsOnlyAtCommit) {
    {
        ReplacingFile file(path("new.asc"));
        file.write("abc");
        EXPECT_FALSE(fs::exists(path("new.asc")));
    }
    EXPECT_TRUE(entries().empty());
    ReplacingFile file(path("new.asc"));
    file.write("abc");
    file.commit();
    EXPECT_EQ(read(path("new.asc")), "abc");
}

TEST_F(ReplacingFileTest, TargetsThatCannotBeWrittenFailBeforeAnythingIsMade) {
    fs::create_directory(dir_ / "folder");
    EXPECT_THROW(ReplacingFile(path("missing/upload.asc")), PlatformError);
    EXPECT_THROW(ReplacingFile(path("folder")), PlatformError);
    EXPECT_THROW(ReplacingFile(""), PlatformError);
    EXPECT_EQ(entries(), std::vector<std::string>{"folder"});
}

TEST_F(ReplacingFileTest, TheReplacementKeepsTheOldFilesPermissionsAndCaseFreeName) {
    put(path("upload.asc"), "old");
    fs::permissions(path("upload.asc"),
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ReplacingFile file(dir_.string() + "\\UPLOAD.ASC");
    file.write("new");
    file.commit();
    EXPECT_EQ(entries(), std::vector<std::string>{"upload.asc"});
    EXPECT_EQ(read(path("upload.asc")), "new");
    EXPECT_EQ(fs::status(path("upload.asc")).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

}  // namespace
