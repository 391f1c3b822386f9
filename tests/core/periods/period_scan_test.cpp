// The scan of testing periods over real TP tables: the names they hold, and
// a TP table that another process holds while the scan runs. (The tables
// ZOLT wrote are scanned by the main window's fixture test.)
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "core/periods/main_window_logic.h"
#include "core/session/program_error.h"
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

const std::string kNotInitialized =
    "Not all ZOLT Testing Periods have been initialized.  Contact DELV.";

class PeriodScanTest : public ::testing::Test {
protected:
    PeriodScanTest() { settings.DataPath = dir.programPath(); }

    std::string periodDirectory(int n) const {
        return dir.programPath() + "DELVTP" + std::to_string(n) + "\\";
    }
    std::string nativeTp(int n) const { return nativePath(periodDirectory(n) + "TP.DBF"); }

    // A TP table written by the engine, one record per name.
    void makePeriod(int n, const std::vector<std::string>& names) const {
        std::filesystem::create_directories(dir.path() / ("DELVTP" + std::to_string(n)));
        XbaseTable::CreateTable(periodDirectory(n) + "TP.DBF", "TPNAME,C,30,0;TPNUMBER,N,2,0;");
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

    TempDirectory dir;
    ProgramSettings settings;
    ActingUserInterface ui;
};

TEST_F(PeriodScanTest, NameIsTheFirstRecordsAndEmptyForAnEmptyTable) {
    makePeriod(1, {"Fall 2003"});
    makePeriod(2, {});
    makePeriod(3, {"Spring 2004", "Summer 2004"});
    const TestingPeriods periods = LoadTestingPeriods("3", -1, ui, settings);
    EXPECT_EQ(periods.rows,
              (std::vector<std::string>{"1.  \tFall 2003", "2.  \t", "3.  \tSpring 2004"}));
    EXPECT_EQ(settings.PeriodChoices,
              (std::vector<std::string>{"1. Fall 2003", "2. ", "3. Spring 2004"}));
    EXPECT_EQ(periods.selectedRow, 2);
    EXPECT_EQ(ui.messageTexts(), std::vector<std::string>{kNotInitialized});
}

TEST_F(PeriodScanTest, ATableHeldBrieflyByAnotherProgramIsWaitedOut) {
    makePeriod(1, {"Fall 2003"});
    makePeriod(2, {"Spring 2004"});
    LockingProcess holder(nativeTp(2));
    ui.onBusy = [&holder] { holder.release(); };
    const TestingPeriods periods = LoadTestingPeriods("", -1, ui, settings);
    EXPECT_EQ(periods.rows.at(1), "2.  \tSpring 2004");
    EXPECT_EQ(ui.busyBegins(), 1);
    EXPECT_EQ(ui.messageTexts(), std::vector<std::string>{kNotInitialized});
}

TEST_F(PeriodScanTest, ATableHeldOnAsksAndCancelEndsTheScan) {
    makePeriod(1, {"Fall 2003"});
    makePeriod(2, {"Spring 2004"});
    LockingProcess holder(nativeTp(2));
    ui.queueAnswer(Answer::Cancel);
    EXPECT_THROW(LoadTestingPeriods("", -1, ui, settings), ProgramCancelled);
    EXPECT_EQ(ui.messageTexts(),
              (std::vector<std::string>{
                  "Unable to open Table: " + periodDirectory(2) + "TP.CDX.\r\nOK to retry?",
                  "Cancelled.  The program will be terminated."}));
    EXPECT_EQ(ui.busyDepth(), 0);
}

TEST_F(PeriodScanTest, RetryAfterTheOtherProgramLetGoReadsTheName) {
    makePeriod(1, {"Fall 2003"});
    LockingProcess holder(nativeTp(1));
    ui.onMessage = [&holder] { holder.release(); };
    ui.queueAnswer(Answer::Ok);
    EXPECT_EQ(ReadPeriodName(periodDirectory(1), ui), "Fall 2003");
    EXPECT_EQ(ui.messages().size(), 1u);
}

}  // namespace
}  // namespace marklift
