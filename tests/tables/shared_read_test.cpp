// The reader's side of Clipper's locking protocol (clipper_locks.h), with a
// writer played by another File of the same table: a lock held briefly is
// waited out, one held past the wait is "in use" naming the file, records
// still being filled and their keys are left out, and damage read under the
// lock is still damage.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "support/data_directory.h"
#include "tables/clipper_locks.h"
#include "tables/ntx_format.h"
#include "tables/xbase_table.h"

using namespace marklift;
using marklift::testing::DataDirectory;
using marklift::testing::Row;
using Clock = std::chrono::steady_clock;

namespace {

const char kPeriod[] = "DELVTP1\\";

// The wait for the scope, put back afterwards.
class LockWait {
public:
    explicit LockWait(std::chrono::milliseconds wait) : saved_(shareLockWait()) {
        setShareLockWait(wait);
    }
    ~LockWait() { setShareLockWait(saved_); }

private:
    std::chrono::milliseconds saved_;
};

std::string Ssn(int n) {
    return "100-00-" + std::string(4 - std::to_string(n).size(), '0') + std::to_string(n);
}

class SharedReadTest : public ::testing::Test {
protected:
    // STUDENT with `count` students and SSN.NTX over them.
    void students(int count) {
        std::vector<Row> rows;
        for (int n = 1; n <= count; ++n) rows.push_back({{"SSN", Ssn(n)}, {"LNAME", "L" + Ssn(n)}});
        dir.createTable(kPeriod, "STUDENT", "SSN,C,11,0;LNAME,C,15,0;", rows);
        dir.writeNtx(kPeriod, "STUDENT", "SSN", "SSN");
    }

    // Another program's handle on a file of the period, for its locks.
    File writer(const std::string& name) const {
        return File(dir.native(std::string(kPeriod) + name), File::Access::ReadWrite,
                    File::Lock::None);
    }

    void open() {
        table.SetDatabaseName(dir.path() + kPeriod);
        table.SetTableName("STUDENT");
        table.SetTableType(TableType::ttNTX);
        table.SetReadOnly(true);
        table.Open();
    }
    void openIndex() {
        table.OpenIndexFile(dir.path() + kPeriod + "SSN.NTX");
        table.SetIndexName("SSN");
    }
    void openBoth() {
        open();
        openIndex();
    }

    // Sets bit 0x10 of the index's signature: CA-Clipper 5.2's new lock offset.
    void flagNewLockOffset() {
        File index = writer("SSN.NTX");
        unsigned char signature[2];
        index.readExactly(0, signature, 2);
        signature[0] |= kNtxNewLockOffsetFlag;
        index.writeAt(0, signature, 2);
    }

    DataDirectory dir{"shared-read"};
    XbaseTable table;
};

// Where a writer holds a lock, and whether a reader must wait for it.
struct HeldLock {
    const char* what;
    const char* file;
    std::uint64_t offset;
    bool flaggedIndex;
    bool holdsReaderUp;
};

void PrintTo(const HeldLock& lock, std::ostream* out) {
    *out << lock.what;
}

const HeldLock kHeldLocks[] = {
    {"TableHeader", "STUDENT.dbf", kDbfHeaderLockOffset, false, true},
    {"IndexLock", "SSN.NTX", kNtxLockOffset, false, true},
    {"NewOffsetOfAFlaggedIndex", "SSN.NTX", kNtxNewLockOffset, true, true},
    {"OldOffsetOfAFlaggedIndex", "SSN.NTX", kNtxLockOffset, true, true},
    {"NewOffsetOfAnUnflaggedIndex", "SSN.NTX", kNtxNewLockOffset, false, false},
    {"AnEarlierRecord", "STUDENT.dbf", kDbfLockBase + 3, false, false},
};

class HeldLockTest : public SharedReadTest, public ::testing::WithParamInterface<HeldLock> {
protected:
    HeldLockTest() {
        students(8);
        if (GetParam().flaggedIndex) flagNewLockOffset();
    }
};

TEST_P(HeldLockTest, AShortHoldIsWaitedOut) {
    const HeldLock& held = GetParam();
    LockWait wait(std::chrono::milliseconds(3000));
    File other = writer(held.file);
    ASSERT_TRUE(other.tryLockRange(held.offset, 1, File::RangeLock::Exclusive));
    constexpr auto kHold = std::chrono::milliseconds(150);
    std::jthread release([&] {
        std::this_thread::sleep_for(kHold);
        other.unlockRange(held.offset, 1);
    });
    const auto start = Clock::now();
    openBoth();
    const auto waited = Clock::now() - start;
    if (held.holdsReaderUp)
        EXPECT_GE(waited, kHold - std::chrono::milliseconds(20));
    else
        EXPECT_LT(waited, kHold);
    EXPECT_TRUE(table.SeekKey(Ssn(8)));
    EXPECT_EQ(table.GetText("LNAME"), "L" + Ssn(8));
}

TEST_P(HeldLockTest, AHoldPastTheWaitIsInUse) {
    const HeldLock& held = GetParam();
    LockWait wait(std::chrono::milliseconds(80));
    File other = writer(held.file);
    ASSERT_TRUE(other.tryLockRange(held.offset, 1, File::RangeLock::Exclusive));
    try {
        openBoth();
        EXPECT_FALSE(held.holdsReaderUp) << "opened past a writer's lock";
    } catch (const EXbaseError& error) {
        EXPECT_TRUE(held.holdsReaderUp) << error.what();
        EXPECT_EQ(error.code(), XbaseErrorCode::OpenFailed);
        EXPECT_NE(std::string(error.what()).find(dir.native(std::string(kPeriod) + held.file)),
                  std::string::npos)
            << error.what();
        EXPECT_NE(std::string(error.what()).find("is in use by another program"),
                  std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(Reader, HeldLockTest, ::testing::ValuesIn(kHeldLocks),
                         [](const auto& info) { return std::string(info.param.what); });

// Records at the end whose record lock is held were appended and are being
// filled: they, and their keys, are out of this open; a locked record
// before an unlocked one is an edit in place and stays in.
TEST_F(SharedReadTest, RecordsStillBeingFilledAreLeftOut) {
    struct Case {
        std::vector<std::uint32_t> locked;
        std::uint32_t records;
    } cases[] = {
        {{}, 6}, {{6}, 5}, {{5, 6}, 4}, {{3}, 6}, {{3, 6}, 5}, {{1, 2, 3, 4, 5, 6}, 0},
    };
    students(6);
    for (const Case& c : cases) {
        File other = writer("STUDENT.dbf");
        for (std::uint32_t recno : c.locked)
            ASSERT_TRUE(
                other.tryLockRange(dbfRecordLockOffset(recno), 1, File::RangeLock::Exclusive));
        openBoth();
        EXPECT_EQ(table.RecordCount(), c.records);
        std::vector<std::uint32_t> visited;
        for (table.First(); !table.Eof(); table.Next()) visited.push_back(table.RecNo());
        EXPECT_EQ(visited.size(), c.records) << "the index keeps keys of records left out";
        for (int n = 1; n <= 6; ++n)
            EXPECT_EQ(table.SeekKey(Ssn(n)), std::uint32_t(n) <= c.records) << Ssn(n);
        table.Close();
    }
}

// The count holds while the table is open: a record appended by a writer
// meanwhile is not seen, and its key, added before the index is opened, is
// left out with it.
TEST_F(SharedReadTest, ARecordAppendedAfterTheOpenIsOut) {
    students(4);
    open();
    dir.appendRows(kPeriod, "STUDENT", {{{"SSN", Ssn(5)}, {"LNAME", "L" + Ssn(5)}}},
                   TableType::ttNTX);
    dir.writeNtx(kPeriod, "STUDENT", "SSN", "SSN");
    openIndex();
    EXPECT_EQ(table.RecordCount(), 4u);
    EXPECT_FALSE(table.SeekKey(Ssn(5)));
    EXPECT_TRUE(table.SeekKey(Ssn(4)));
}

// Read under the lock with no writer about, a bad page is the index's own
// fault, reported as damage naming the file, not as a file in use.
TEST_F(SharedReadTest, DamageReadUnderTheLockIsReported) {
    students(200);  // several pages; the root is the last page of the file
    const std::string index = dir.native(std::string(kPeriod) + "SSN.NTX");
    std::filesystem::resize_file(index, std::filesystem::file_size(index) - kNtxPageSize);
    open();
    try {
        openIndex();
        FAIL() << "a damaged index was read";
    } catch (const EXbaseError& error) {
        EXPECT_EQ(error.code(), XbaseErrorCode::BadIndex);
        EXPECT_NE(std::string(error.what()).find(index), std::string::npos) << error.what();
    }
}

}  // namespace
