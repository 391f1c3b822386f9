// The scan of testing periods and OpenWithRetry over real TP tables written
// by the table engine. Waits in pending/ (outside the build) until the
// engine's XbaseTable is linked into the program; then it moves to tests/app.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

#include "../temp_directory.h"
#include "app/main_window_logic.h"
#include "app/program_error.h"
#include "app/scripted_user_interface.h"
#include "app/shared_routines.h"
#include "tables/xbase_table.h"

namespace marklift {
namespace {

using testing::TempDirectory;

const std::string kCancelled = "Cancelled.  The program will be terminated.";

// A user who does something while a question is up, before answering it.
class ActingUserInterface : public ScriptedUserInterface {
  public:
    std::function<void()> onMessage;
    Answer showMessage(const std::string& title, const std::string& text, MessageIcon icon,
                       MessageButtons buttons) override {
        if (onMessage) onMessage();
        return ScriptedUserInterface::showMessage(title, text, icon, buttons);
    }
};

class PeriodScanTest : public ::testing::Test {
  protected:
    PeriodScanTest() { settings.DataPath = dir.programPath(); }

    std::string periodDirectory(int n) const {
        return dir.programPath() + "DELVTP" + std::to_string(n) + "\\";
    }

    // A TP table as ZOLT keeps it, with one record per name.
    void makePeriod(int n, const std::vector<std::string>& names) const {
        std::filesystem::create_directories(dir.path() / ("DELVTP" + std::to_string(n)));
        XbaseTable::CreateTable(periodDirectory(n) + "TP.DBF", "TPNAME,C,30,0;TPNUMBER,N,2,0;");
        if (names.empty()) return;
        XbaseTable tp;
        tp.SetDatabaseName(periodDirectory(n));
        tp.SetTableName("TP");
        tp.SetTableType(TableType::ttNTX);
        tp.Open();
        for (const std::string& name : names) {
            tp.Append();
            tp.SetText("TPNAME", name);
            tp.SetInt("TPNUMBER", n);
            tp.Post();
        }
        tp.Close();
    }

    // Another program holding period n's TP table for itself.
    std::unique_ptr<XbaseTable> holdExclusively(int n) const {
        auto holder = std::make_unique<XbaseTable>();
        holder->SetDatabaseName(periodDirectory(n));
        holder->SetTableName("TP");
        holder->SetTableType(TableType::ttNTX);
        holder->SetExclusive(true);
        holder->Open();
        return holder;
    }

    TempDirectory dir;
    ProgramSettings settings;
    ActingUserInterface ui;
};

TEST_F(PeriodScanTest, NamesComeFromTheFirstRecordOfEachTP) {
    makePeriod(1, {"Fall 2003"});
    makePeriod(2, {});
    makePeriod(3, {"Spring 2004", "Summer 2004"});
    TestingPeriods periods = LoadTestingPeriods("3", -1, ui, settings);
    EXPECT_EQ(periods.rows,
              (std::vector<std::string>{"1.  \tFall 2003", "2.  \t", "3.  \tSpring 2004"}));
    EXPECT_EQ(settings.PeriodChoices,
              (std::vector<std::string>{"1. Fall 2003", "2. ", "3. Spring 2004"}));
    EXPECT_EQ(periods.selectedRow, 2);
    EXPECT_EQ(settings.PeriodDir, "DELVTP3\\");
    EXPECT_EQ(ui.messageTexts(),
              std::vector<std::string>{
                  "Not all ZOLT Testing Periods have been initialized.  Contact DELV."});
}

TEST_F(PeriodScanTest, TableKeptByAnotherProgramAsksAndCancelEndsTheProgram) {
    makePeriod(1, {"Fall 2003"});
    auto holder = holdExclusively(1);
    ui.queueAnswer(Answer::Cancel);
    EXPECT_THROW(LoadTestingPeriods("", -1, ui, settings), ProgramCancelled);
    EXPECT_EQ(ui.messageTexts(),
              (std::vector<std::string>{
                  "Unable to open Table: " + periodDirectory(1) + "TP.CDX.\r\nOK to retry?",
                  kCancelled}));
    EXPECT_EQ(ui.busyDepth(), 0);
}

TEST_F(PeriodScanTest, RetryAfterTheOtherProgramLetGoReadsTheName) {
    makePeriod(1, {"Fall 2003"});
    auto holder = holdExclusively(1);
    ui.onMessage = [&holder] { holder.reset(); };
    ui.queueAnswer(Answer::Ok);
    EXPECT_EQ(ReadPeriodName(periodDirectory(1), ui), "Fall 2003");
    EXPECT_EQ(ui.messages().size(), 1u);
}

TEST_F(PeriodScanTest, OpenWithRetryReopensAnOpenTable) {
    makePeriod(1, {"Fall 2003"});
    XbaseTable tp;
    tp.SetDatabaseName(periodDirectory(1));
    tp.SetTableName("TP");
    tp.SetTableType(TableType::ttNTX);
    ASSERT_TRUE(OpenWithRetry(tp, ui));
    ASSERT_TRUE(OpenWithRetry(tp, ui));
    EXPECT_TRUE(tp.Active());
    EXPECT_TRUE(ui.messages().empty());
}

TEST_F(PeriodScanTest, MissingTableIsAskedAboutWithItsName) {
    ui.queueAnswer(Answer::Cancel);
    XbaseTable tp;
    tp.SetDatabaseName(periodDirectory(4));
    tp.SetTableName("TP");
    tp.SetTableType(TableType::ttNTX);
    EXPECT_FALSE(OpenWithRetry(tp, ui));
    EXPECT_EQ(ui.messageTexts(),
              (std::vector<std::string>{
                  "Unable to open Table: " + periodDirectory(4) + "TP.CDX.\r\nOK to retry?",
                  kCancelled}));
}

}  // namespace
}  // namespace marklift
