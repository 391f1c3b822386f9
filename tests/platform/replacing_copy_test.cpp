// ReplacingCopy: the target becomes a byte-for-byte copy at commit and not
// before; a copy that cannot be made leaves the target and nothing beside it.
#include "platform/replacing_copy.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/file.h"
#include "support/child_process.h"
#include "support/temp_directory.h"

using namespace marklift;
using marklift::testing::TempDirectory;

namespace {

class ReplacingCopyTest : public ::testing::Test {
protected:
    std::string path(const std::string& name) const { return (dir.path() / name).string(); }
    std::string read(const std::string& name) const { return dir.readFile(name); }
    void put(const std::string& name, const std::string& bytes) const {
        dir.writeFile(name, bytes);
    }

    TempDirectory dir;
};

TEST_F(ReplacingCopyTest, TheTargetBecomesTheCopyOnlyAtCommit) {
    std::string bytes;
    for (int i = 0; i < 30000; ++i) bytes += static_cast<char>(i % 251);  // past one chunk
    put("BANPLACx.DBF", bytes);
    put("BANPLACE.DBF", "the dialog's table");
    {
        ReplacingCopy copy(path("BANPLACx.DBF"), path("BANPLACE.DBF"));
        EXPECT_EQ(read("BANPLACE.DBF"), "the dialog's table");
        copy.commit();
    }
    EXPECT_EQ(read("BANPLACE.DBF"), bytes);
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"BANPLACE.DBF", "BANPLACx.DBF"}));
}

TEST_F(ReplacingCopyTest, ACopyNotCommittedLeavesNothingBehind) {
    put("BANTEST.CDX", "index");
    { ReplacingCopy copy(path("BANTEST.CDX"), path("BANTESTx.CDX")); }
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"BANTEST.CDX"});
}

TEST_F(ReplacingCopyTest, ACopyThatCannotBeMadeThrowsAndLeavesTheTarget) {
    put("BANPLACE.DBF", "live");
    std::filesystem::create_directories(dir.path() / "BANPLACE.CDX" / "inside");
    struct Case {
        const char* what;
        std::string from;
        std::string to;
    };
    const Case cases[] = {
        {"missing source", path("BANPLACx.DBF"), path("BANPLACE.DBF")},
        {"a directory in the target's place", path("BANPLACE.DBF"), path("BANPLACE.CDX")},
    };
    for (const Case& c : cases) {
        EXPECT_THROW(ReplacingCopy(c.from, c.to), PlatformError) << c.what;
        EXPECT_EQ(read("BANPLACE.DBF"), "live") << c.what;
        EXPECT_EQ(dir.entries(), (std::vector<std::string>{"BANPLACE.CDX", "BANPLACE.DBF"}))
            << c.what;
    }
}

TEST_F(ReplacingCopyTest, ACopyCutShortByAFullDiskLeavesTheTargetWhole) {
    put("BANPLACx.DBF", std::string(5000, 'n'));
    put("BANPLACE.DBF", "live");
    const marklift::testing::ChildResult child = marklift::testing::RunInChild([&] {
        marklift::testing::LimitFileSize(1000);
        ReplacingCopy(path("BANPLACx.DBF"), path("BANPLACE.DBF")).commit();
        return std::string("copied");
    });
    EXPECT_EQ(child.status, 1) << child.report;
    EXPECT_NE(child.report.find(path("BANPLACE.DBF")), std::string::npos) << child.report;
    EXPECT_EQ(read("BANPLACE.DBF"), "live");
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"BANPLACE.DBF", "BANPLACx.DBF"}));
}

}  // namespace
