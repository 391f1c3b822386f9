// File's byte-range locks: who may lock a byte another File holds, that
// bytes far past the end of the file can be locked, that a lock goes with
// unlocking and with closing, and that another process sees them.
#include <gtest/gtest.h>

#include <string>

#include "platform/file.h"
#include "support/child_program.h"
#include "support/temp_directory.h"

using namespace marklift;

namespace {

using Kind = File::RangeLock;

// The offsets xBase programs lock at: past the end of any real table.
constexpr std::uint64_t kBillion = 1'000'000'000;
constexpr std::uint64_t kTopOf32Bits = 0xFFFFFFFF;

class FileLockTest : public ::testing::Test {
protected:
    void SetUp() override { dir_.writeFile("locked", "a small file"); }

    File open(File::Access access = File::Access::ReadWrite) const {
        return File(path_, access, File::Lock::None);
    }

    marklift::testing::TempDirectory dir_;
    const std::string path_ = dir_.file("locked");
};

TEST_F(FileLockTest, SharedLocksShareAndExclusiveOnesExclude) {
    struct Case {
        Kind held, wanted;
        bool granted;
    } cases[] = {
        {Kind::Shared, Kind::Shared, true},
        {Kind::Shared, Kind::Exclusive, false},
        {Kind::Exclusive, Kind::Shared, false},
        {Kind::Exclusive, Kind::Exclusive, false},
    };
    for (const Case& c : cases) {
        for (std::uint64_t offset : {kBillion, kTopOf32Bits}) {
            File holder = open(), other = open();
            ASSERT_TRUE(holder.tryLockRange(offset, 1, c.held));
            EXPECT_EQ(other.tryLockRange(offset, 1, c.wanted), c.granted)
                << "at " << offset << ", held " << int(c.held) << ", wanted " << int(c.wanted);
            // A neighbouring byte is free whatever is held.
            EXPECT_TRUE(other.tryLockRange(offset + 1, 1, Kind::Exclusive));
            holder.unlockRange(offset, 1);
            if (c.granted) other.unlockRange(offset, 1);
            EXPECT_TRUE(other.tryLockRange(offset, 1, Kind::Exclusive)) << "unlock kept the lock";
        }
    }
}

TEST_F(FileLockTest, ARangeConflictsWithEveryByteInIt) {
    File holder = open(), other = open();
    ASSERT_TRUE(holder.tryLockRange(kBillion + 5, 1, Kind::Exclusive));
    EXPECT_FALSE(other.tryLockRange(kBillion, 10, Kind::Shared));
    EXPECT_TRUE(other.tryLockRange(kBillion, 5, Kind::Shared));
}

TEST_F(FileLockTest, ClosingTheFileGivesItsLocksUp) {
    File other = open();
    {
        File holder = open();
        ASSERT_TRUE(holder.tryLockRange(kBillion, 1, Kind::Exclusive));
        EXPECT_FALSE(other.tryLockRange(kBillion, 1, Kind::Shared));
    }
    EXPECT_TRUE(other.tryLockRange(kBillion, 1, Kind::Shared));
}

TEST_F(FileLockTest, ExclusiveNeedsWriteAccess) {
    File reader = open(File::Access::ReadOnly);
    EXPECT_TRUE(reader.tryLockRange(kBillion, 1, Kind::Shared));
    EXPECT_THROW(reader.tryLockRange(kBillion + 1, 1, Kind::Exclusive), PlatformError);
}

TEST_F(FileLockTest, EmptyRangeIsRefused) {
    File file = open();
    EXPECT_THROW(file.tryLockRange(kBillion, 0, Kind::Shared), PlatformError);
}

// Another process's locks, as another xBase program's: a lock here keeps
// that process from a conflicting one and lets a shared one in, and a lock
// there does the same to this process.
TEST_F(FileLockTest, AnotherProcessSeesTheLocks) {
    File holder = open();
    ASSERT_TRUE(holder.tryLockRange(kBillion, 1, Kind::Exclusive));
    const auto otherMay = [this](const char* kind) {
        marklift::testing::ChildProgram other(MARKLIFT_LOCK_BYTE,
                                              {kind, path_, std::to_string(kBillion)});
        return other.readLine() == "locked";
    };
    EXPECT_FALSE(otherMay("shared"));
    holder.unlockRange(kBillion, 1);
    ASSERT_TRUE(holder.tryLockRange(kBillion, 1, Kind::Shared));
    EXPECT_TRUE(otherMay("shared"));
    EXPECT_FALSE(otherMay("exclusive"));
    holder.unlockRange(kBillion, 1);

    marklift::testing::ChildProgram other(MARKLIFT_LOCK_BYTE,
                                          {"exclusive", path_, std::to_string(kBillion)});
    ASSERT_EQ(other.readLine(), "locked");
    EXPECT_FALSE(holder.tryLockRange(kBillion, 1, Kind::Shared));
    other.finish();
    EXPECT_TRUE(holder.tryLockRange(kBillion, 1, Kind::Shared)) << "the lock outlived its process";
}

}  // namespace
