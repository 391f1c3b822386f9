// The builder's student index held by ZOLT: a short hold is waited out
// without a word; one held past the engine's wait is the table being in use,
// retried by OpenWithRetry and asked about; an index that is damaged when
// read under the lock is named in the error, not asked about.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "core/session/program_error.h"
#include "core/worktable/work_table_builder.h"
#include "support/live_zolt_period.h"
#include "support/scripted_user_interface.h"
#include "tables/clipper_locks.h"
#include "tables/ntx_format.h"

using namespace marklift;
using marklift::testing::DataDirectory;
using marklift::testing::SeedLivePeriod;

namespace {

const char kPeriod[] = "DELVTP1\\";

class StudentIndexLockTest : public ::testing::Test {
protected:
    StudentIndexLockTest() : savedWait_(shareLockWait()) {
        SeedLivePeriod(dir, kPeriod, 200);
        settings.DataPath = dir.path();
        settings.PeriodDir = kPeriod;
        settings.SearchTemporary = false;
        settings.IncludeScoreRecords = true;
        // Twelve silent attempts take 12 times this.
        setShareLockWait(std::chrono::milliseconds(30));
    }
    ~StudentIndexLockTest() override { setShareLockWait(savedWait_); }

    std::string index() const { return dir.native(std::string(kPeriod) + "SSN.NTX"); }

    WorkTableSummary build() {
        SilentBuildProgress progress;
        WorkTableBuilder builder(ui, progress);
        return builder.BuildWorkTable(settings, "");
    }

    DataDirectory dir{"student-index-lock"};
    ProgramSettings settings;
    ScriptedUserInterface ui;

private:
    std::chrono::milliseconds savedWait_;
};

TEST_F(StudentIndexLockTest, AHoldShorterThanTheRetriesIsWaitedOutSilently) {
    File zolt(index(), File::Access::ReadWrite, File::Lock::None);
    ASSERT_TRUE(zolt.tryLockRange(kNtxLockOffset, 1, File::RangeLock::Exclusive));
    std::jthread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
        zolt.unlockRange(kNtxLockOffset, 1);
    });
    const WorkTableSummary summary = build();
    EXPECT_EQ(summary.gathered, 200u);
    EXPECT_TRUE(ui.messages().empty());
    EXPECT_EQ(ui.busyDepth(), 0);
    const std::vector<std::vector<std::string>> first = dir.read("", "BANTABLE", {"LNAME"});
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(first[0][0], "S1") << "the student was not found through the index";
}

TEST_F(StudentIndexLockTest, AHoldPastTheRetriesIsAskedAbout) {
    File zolt(index(), File::Access::ReadWrite, File::Lock::None);
    ASSERT_TRUE(zolt.tryLockRange(kNtxLockOffset, 1, File::RangeLock::Exclusive));
    ui.queueAnswer(Answer::Cancel);
    EXPECT_THROW(build(), ProgramCancelled);
    ASSERT_EQ(ui.messages().size(), 2u);
    EXPECT_EQ(ui.messages()[0].text,
              "Unable to open Table: " + dir.path() + kPeriod + "Student.CDX.\r\nOK to retry?");
    EXPECT_EQ(ui.messages()[1].text, "Cancelled.  The program will be terminated.");
}

TEST_F(StudentIndexLockTest, ADamagedIndexIsNamedNotAskedAbout) {
    // Without its last page, the root, the tree points past the file.
    std::filesystem::resize_file(index(), std::filesystem::file_size(index()) - kNtxPageSize);
    try {
        build();
        FAIL() << "built on a damaged index";
    } catch (const EXbaseError& error) {
        EXPECT_EQ(error.code(), XbaseErrorCode::BadIndex);
        EXPECT_NE(std::string(error.what()).find(index()), std::string::npos) << error.what();
    }
    EXPECT_TRUE(ui.messages().empty());
}

}  // namespace
