// The platform's path operations: names outside ASCII reach the disk as the
// program spells them (UTF-8) through every operation, and the program's
// folder is the one that holds the running program.
#include "platform/paths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <set>
#include <string>

#include "platform/file.h"
#include "platform/replacing_file.h"
#include "platform/utf8_path.h"

namespace fs = std::filesystem;
using namespace marklift;

namespace {

// UTF-8 names that no single-byte code page spells whole (Windows' narrow
// file calls would turn them into question marks), in a folder whose name is
// such a name too.
const std::string kFolder = "marklift-Prüfung-Ω-";
const std::string kTable = "Zoë's ΩMEGA.dbf";
const std::string kCopy = "Kopie ü €.dbf";
const std::string kMoved = "Ordnung ß 試験.dbf";
const std::string kUpload = "Résumé ✓.asc";

class Utf8Names : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = utf8FromPath(fs::temp_directory_path()) + "/" + kFolder +
               std::to_string(std::random_device{}()) + "/";
        fs::create_directories(pathFromUtf8(dir_));
    }
    void TearDown() override { fs::remove_all(pathFromUtf8(dir_)); }

    std::set<std::string> namesOnDisk() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(pathFromUtf8(dir_)))
            names.insert(utf8FromPath(entry.path().filename()));
        return names;
    }

    std::string dir_;
};

TEST_F(Utf8Names, ReachTheDiskAsSpelledThroughEveryOperation) {
    {
        File table(nativePath(dir_ + kTable), File::Access::ReadWrite, File::Lock::Exclusive,
                   File::Create::Truncate);
        table.writeAt(0, "ZOLT", 4);
    }
    EXPECT_EQ(namesOnDisk(), std::set<std::string>{kTable});
    EXPECT_TRUE(fileExists(dir_ + kTable));
    EXPECT_TRUE(directoryExists(dir_));

    {
        File old(nativePath(dir_ + kCopy), File::Access::ReadWrite, File::Lock::None,
                 File::Create::Truncate);
        old.writeAt(0, "an older copy", 13);
    }
    EXPECT_TRUE(copyFileReplacing(dir_ + kTable, dir_ + kCopy));  // over the older copy
    EXPECT_TRUE(renameFile(dir_ + kCopy, dir_ + kMoved));
    {
        ReplacingFile upload(dir_ + kUpload);
        upload.write("upload");
        upload.commit();
    }
    EXPECT_EQ(namesOnDisk(), (std::set<std::string>{kTable, kMoved, kUpload}));
    EXPECT_EQ(fs::file_size(pathFromUtf8(dir_ + kMoved)), 4u);
    EXPECT_EQ(fs::file_size(pathFromUtf8(dir_ + kUpload)), 6u);

    EXPECT_TRUE(deleteFile(dir_ + kMoved));
    EXPECT_FALSE(fileExists(dir_ + kMoved));
    EXPECT_EQ(namesOnDisk(), (std::set<std::string>{kTable, kUpload}));
}

TEST_F(Utf8Names, ARunOfSeparatorsIsOne) {
    const std::string table = nativePath(dir_ + kTable);
    File(table, File::Access::ReadWrite, File::Lock::None, File::Create::Truncate);
    EXPECT_EQ(nativePath(dir_ + "\\\\" + kTable), table);
    EXPECT_EQ(nativePath(dir_ + "//" + kTable), table);
}

TEST(ProgramFolder, HoldsTheRunningProgram) {
#ifdef _WIN32
    const std::string program = "platform_tests.exe";
#else
    const std::string program = "platform_tests";
#endif
    const std::string folder = executableDirectory();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '\\');
    EXPECT_TRUE(fileExists(folder + program)) << folder;
}

}  // namespace
