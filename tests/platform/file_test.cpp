// File: who may open a file that another File holds, the one text every
// refusal gives (OpenWithRetry waits it out), and what each way of opening
// does to a file that is or is not there.
#include "platform/file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "support/temp_directory.h"

namespace fs = std::filesystem;
using namespace marklift;

namespace {

using Lock = File::Lock;
using Access = File::Access;

#ifdef _WIN32
constexpr bool kWindows = true;
#else
constexpr bool kWindows = false;
#endif

const char* name(Lock lock) {
    switch (lock) {
        case Lock::None:
            return "None";
        case Lock::Shared:
            return "Shared";
        case Lock::Exclusive:
            return "Exclusive";
    }
    return "?";
}

class FileTest : public ::testing::Test {
protected:
    void SetUp() override { dir_.writeFile("TABLE.DBF", "0123456789"); }

    std::string contents() const { return dir_.readFile("TABLE.DBF"); }

    marklift::testing::TempDirectory dir_;
    const std::string path_ = dir_.file("TABLE.DBF");
};

TEST_F(FileTest, OpenersMeetTheHoldersLockWithOneText) {
    // POSIX locks only keep out lockers; Windows share modes keep out every
    // opener the holder does not share with.
    struct Case {
        Lock holder, second;
        bool opens;
    } cases[] = {
        {Lock::None, Lock::None, true},
        {Lock::None, Lock::Shared, true},
        {Lock::None, Lock::Exclusive, !kWindows},
        {Lock::Shared, Lock::None, true},
        {Lock::Shared, Lock::Shared, true},
        {Lock::Shared, Lock::Exclusive, false},
        {Lock::Exclusive, Lock::None, !kWindows},
        {Lock::Exclusive, Lock::Shared, false},
        {Lock::Exclusive, Lock::Exclusive, false},
    };
    for (const Case& c : cases) {
        for (Access access : {Access::ReadOnly, Access::ReadWrite}) {
            SCOPED_TRACE(std::string(name(c.holder)) + " then " + name(c.second) +
                         (access == Access::ReadOnly ? " read-only" : " read-write"));
            File holder(path_, Access::ReadWrite, c.holder);
            try {
                File second(path_, access, c.second);
                EXPECT_TRUE(c.opens);
            } catch (const PlatformError& error) {
                EXPECT_FALSE(c.opens) << error.what();
                EXPECT_EQ(std::string(error.what()), path_ + " is in use by another program");
            }
        }
        EXPECT_NO_THROW(File(path_, Access::ReadWrite, Lock::Exclusive))
            << "the lock outlived the holder " << name(c.holder);
    }
}

TEST_F(FileTest, CreateModesMeetAPresentAndAMissingFile) {
    struct Case {
        File::Create create;
        bool present;
        std::optional<std::string> after;  // none: the open fails
    } cases[] = {
        {File::Create::MustExist, true, "0123456789"},
        {File::Create::MustExist, false, {}},
        {File::Create::Truncate, true, ""},
        {File::Create::Truncate, false, ""},
        {File::Create::IfMissing, true, "0123456789"},
        {File::Create::IfMissing, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(static_cast<int>(c.create)) +
                     (c.present ? " present" : " missing"));
        if (!c.present) fs::remove(path_);
        if (c.present) dir_.writeFile("TABLE.DBF", "0123456789");
        try {
            File file(path_, Access::ReadWrite, Lock::Exclusive, c.create);
            EXPECT_TRUE(c.after.has_value());
            EXPECT_EQ(file.size(), c.after ? c.after->size() : 0u);
        } catch (const PlatformError& error) {
            EXPECT_FALSE(c.after.has_value()) << error.what();
            EXPECT_EQ(std::string(error.what()).rfind("Cannot open " + path_ + ": ", 0), 0u)
                << error.what();
        }
        if (c.after) {
            EXPECT_EQ(contents(), *c.after);
        }
    }
}

TEST_F(FileTest, ReadsAndWritesAtOffsetsAndTruncates) {
    File file(path_, Access::ReadWrite, Lock::Exclusive);
    file.writeAt(12, "AB", 2);  // past the end: the gap reads as zero bytes
    EXPECT_EQ(file.size(), 14u);
    char buffer[8] = {};
    EXPECT_EQ(file.readAt(8, buffer, sizeof buffer), 6u);
    EXPECT_EQ(std::string(buffer, 6), std::string("89\0\0AB", 6));
    try {
        file.readExactly(10, buffer, sizeof buffer);
        ADD_FAILURE() << "read past the end";
    } catch (const PlatformError& error) {
        EXPECT_EQ(std::string(error.what()), path_ + " ends unexpectedly at offset 10");
    }
    file.truncate(4);
    file.sync();
    EXPECT_EQ(file.size(), 4u);
    EXPECT_EQ(file.readAt(0, buffer, sizeof buffer), 4u);
    EXPECT_EQ(std::string(buffer, 4), "0123");
}

TEST_F(FileTest, AReadOnlyFileRefusesWrites) {
    File file(path_, Access::ReadOnly, Lock::Shared);
    EXPECT_FALSE(file.writable());
    EXPECT_THROW(file.writeAt(0, "x", 1), PlatformError);
    EXPECT_EQ(contents(), "0123456789");
}

}  // namespace
