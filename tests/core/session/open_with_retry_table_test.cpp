// OpenWithRetry over a table on disk that another process holds for itself:
// held through fewer than twelve attempts it is waited out without a word;
// held longer, the retry question comes, and OK or Cancel decide. Where
// nobody can answer (the command-line tools) the refusal says why.
#include <gtest/gtest.h>

#include <sstream>

#include "core/session/console_user_interface.h"
#include "core/session/shared_routines.h"
#include "platform/paths.h"
#include "support/acting_user_interface.h"
#include "support/child_process.h"
#include "support/temp_directory.h"
#include "tables/xbase_table.h"

namespace marklift {
namespace {

using testing::ActingUserInterface;
using testing::LockingProcess;
using testing::TempDirectory;

const std::string kCancelled = "Cancelled.  The program will be terminated.";

class OpenWithRetryOnDiskTest : public ::testing::Test {
protected:
    OpenWithRetryOnDiskTest() {
        XbaseTable::CreateTable(dir.programPath() + "PLACE.DBF", "SSN,C,11,0;");
        aimAtPlace(table);
    }

    // As the builder opens ZOLT's tables: Clipper kind, read only.
    void aimAtPlace(XbaseTable& t) const {
        t.SetDatabaseName(dir.programPath());
        t.SetTableName("Place");
        t.SetTableType(TableType::ttNTX);
        t.SetReadOnly(true);
    }
    std::string question() const {
        return "Unable to open Table: " + dir.programPath() + "Place.CDX.\r\nOK to retry?";
    }
    std::string placeFile() const { return nativePath(dir.programPath() + "PLACE.DBF"); }

    TempDirectory dir;
    XbaseTable table;
    ActingUserInterface ui;
};

TEST_F(OpenWithRetryOnDiskTest, LetGoAfterAFailureIsWaitedOutWithoutAQuestion) {
    LockingProcess holder(placeFile());
    // The busy cursor comes with the first failure.
    ui.onBusy = [&holder] { holder.release(); };
    EXPECT_TRUE(OpenWithRetry(table, ui));
    EXPECT_TRUE(table.Active());
    EXPECT_EQ(ui.busyBegins(), 1);
    EXPECT_EQ(ui.busyDepth(), 0);
    EXPECT_TRUE(ui.messages().empty());
}

TEST_F(OpenWithRetryOnDiskTest, EachTwelfthFailureWhileHeldAsksOnce) {
    struct HoldCase {
        int failures;  // attempts refused before the other process lets go
        int questions;
    };
    const HoldCase cases[] = {{1, 0}, {5, 0}, {11, 0}, {12, 1}, {13, 1}, {24, 2}};
    for (const HoldCase& c : cases) {
        SCOPED_TRACE(c.failures);
        ActingUserInterface user;
        XbaseTable place;
        aimAtPlace(place);
        LockingProcess holder(placeFile());
        int failures = 0;
        // The engine's open, counted: the other process lets go inside the
        // failure the case names, so the next attempt finds the table free.
        auto attempt = [&] {
            try {
                place.Open();
            } catch (const EXbaseError&) {
                if (++failures == c.failures) holder.release();
                throw;
            }
        };
        EXPECT_TRUE(OpenWithRetry(attempt, question(), user));
        EXPECT_EQ(failures, c.failures);
        EXPECT_TRUE(place.Active());
        EXPECT_EQ(user.messageTexts(), std::vector<std::string>(c.questions, question()));
        EXPECT_EQ(user.busyDepth(), 0);
    }
}

TEST_F(OpenWithRetryOnDiskTest, HeldPastTheQuestionOkTriesAgain) {
    LockingProcess holder(placeFile());
    ui.onMessage = [&holder] { holder.release(); };
    ui.queueAnswer(Answer::Ok);
    EXPECT_TRUE(OpenWithRetry(table, ui));
    EXPECT_TRUE(table.Active());
    ASSERT_EQ(ui.messageTexts(), std::vector<std::string>{question()});
    EXPECT_EQ(ui.messages()[0].busyDepth, 0);
    EXPECT_EQ(ui.busyDepth(), 0);
}

TEST_F(OpenWithRetryOnDiskTest, HeldPastTheQuestionCancelGivesUp) {
    LockingProcess holder(placeFile());
    ui.queueAnswer(Answer::Cancel);
    EXPECT_FALSE(OpenWithRetry(table, ui));
    EXPECT_FALSE(table.Active());
    EXPECT_EQ(ui.messageTexts(), (std::vector<std::string>{question(), kCancelled}));
    EXPECT_EQ(ui.busyDepth(), 0);
}

TEST_F(OpenWithRetryOnDiskTest, NobodyToAskGivesUpSayingWhy) {
    LockingProcess holder(placeFile());
    std::ostringstream err;
    ConsoleUserInterface console(err, "tool: ");
    EXPECT_FALSE(OpenWithRetry(table, console));
    EXPECT_EQ(err.str(), "tool: gave up after 12 attempts to open a table: " + placeFile() +
                             " is in use by another program\n");
}

TEST_F(OpenWithRetryOnDiskTest, AnOpenTableIsClosedAndOpenedAgain) {
    ASSERT_TRUE(OpenWithRetry(table, ui));
    ASSERT_TRUE(OpenWithRetry(table, ui));
    EXPECT_TRUE(table.Active());
    EXPECT_TRUE(ui.messages().empty());
}

TEST_F(OpenWithRetryOnDiskTest, AMissingTableIsAskedAboutWithItsName) {
    XbaseTable tp;
    tp.SetDatabaseName(dir.programPath() + "DELVTP4\\");
    tp.SetTableName("TP");
    tp.SetTableType(TableType::ttNTX);
    ui.queueAnswer(Answer::Cancel);
    EXPECT_FALSE(OpenWithRetry(tp, ui));
    EXPECT_EQ(ui.messageTexts(),
              (std::vector<std::string>{
                  "Unable to open Table: " + dir.programPath() + "DELVTP4\\TP.CDX.\r\nOK to retry?",
                  kCancelled}));
}

}  // namespace
}  // namespace marklift
