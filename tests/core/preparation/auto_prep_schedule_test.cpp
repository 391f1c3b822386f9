// The automatic export's schedule through a fake clock: when the daily run
// happens and how often, how the display and hour check follow, which date
// filter each run gets, the rules that enable the buttons, and what a run
// handled during another run does.
#include "core/preparation/auto_prep_schedule.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/session/date_filter.h"
#include "core/session/program_error.h"

using namespace marklift;

namespace {

const char kFile[] = "C:\\UPLOAD\\BANNER.ASC";
const char kMainWindowFilter[] = "(DTOS(Date) >= \"20240101\") .and. (DTOS(Date) <= \"20240131\")";

LocalDateTime At(Date date, int hours, int minutes = 0, int seconds = 0) {
    return LocalDateTime{date, hours, minutes, seconds, 0};
}

class AutoPrepScheduleTest : public ::testing::Test {
protected:
    // One second of the window's life: both timers tick, the hour check only
    // while it is on.
    void TickAt(LocalDateTime time) {
        clock.set(time);
        if (schedule.view().hourCheckOn) schedule.Timer1Timer();
        schedule.Timer2Timer();
    }
    // Every second of `date` from `from` to `to` (seconds of the day, both included).
    void TickThrough(Date date, int from, int to) {
        for (int second = from; second <= to; ++second)
            TickAt(At(date, second / 3600, second / 60 % 60, second % 60));
    }
    void Arm(int hour) {
        schedule.FormActivate(hour, kFile, kCurrentDate);
        schedule.btnActivateClick();
    }
    void ExpectArmedDisplay() const {
        const AutoPrepView& view = schedule.view();
        EXPECT_TRUE(schedule.ActiveShown());
        EXPECT_EQ(view.activateCaption, kDeactivateCaption);
        EXPECT_EQ(view.status, kStatusActive);
        EXPECT_TRUE(view.hourCheckOn);
        EXPECT_FALSE(view.settingsEnabled);
        EXPECT_FALSE(view.exportEnabled);
    }
    void ExpectCompletedDisplay() const {
        const AutoPrepView& view = schedule.view();
        EXPECT_FALSE(schedule.ActiveShown());
        EXPECT_TRUE(schedule.ScheduleArmed());
        EXPECT_EQ(view.activateCaption, kActivateCaption);
        EXPECT_EQ(view.status, kStatusCompleted);
        EXPECT_FALSE(view.hourCheckOn);
        EXPECT_TRUE(view.settingsEnabled);
        EXPECT_TRUE(view.exportEnabled);
    }

    const Date day1 = Date::fromYmd(2024, 3, 5);
    const Date day2 = Date::fromYmd(2024, 3, 6);
    FakeClock clock{At(day1, 7, 30)};
    std::vector<std::string> runs;  // the filter of each run, in order
    std::function<void()> duringRun;
    RunOutcome outcome{ExportOutcome::Written, {}};  // what each run reports
    AutoPrepSchedule schedule{clock, kMainWindowFilter, [this](const std::string& filter) {
                                  runs.push_back(filter);
                                  if (duringRun) duringRun();
                                  return outcome;
                              }};
};

// What a run ended with, and the status line it leaves after Prepare Export
// File (`prepared`) and after the scheduled run (`completed`).
struct StatusCase {
    const char* what;
    RunOutcome outcome;
    const char* failure;  // the run throws this, when not null
    std::string prepared;
    std::string completed;
};

void PrintTo(const StatusCase& c, std::ostream* out) {
    *out << c.what;
}

const StatusCase kStatusCases[] = {
    {"FileWritten", {ExportOutcome::Written, {}}, nullptr, kStatusPrepared, kStatusCompleted},
    {"NothingSelected",
     {ExportOutcome::NothingSelected, {}},
     nullptr,
     "No data in date range.  Export File was not prepared.",
     "No data in date range.  Export File was not prepared."},
    {"WriterFailed",
     {ExportOutcome::WriterFailed, {}},
     nullptr,
     "Export File has been not prepared.",
     "Export File has been not prepared."},
    {"RunFailed",
     {ExportOutcome::Written, {}},
     "Table C:\\DELV\\PlacTemp.dbf\r\ndoes not exist.",
     "Table C:\\DELV\\PlacTemp.dbf does not exist.",
     "Table C:\\DELV\\PlacTemp.dbf does not exist."},
    {"RunLogNotWritten",
     {ExportOutcome::Written, "Unable to write to C:\\M\\MARKLIFT.log"},
     nullptr,
     "File Successfully Prepared (Unable to write to C:\\M\\MARKLIFT.log)",
     "Automatic Export Completed (Unable to write to C:\\M\\MARKLIFT.log)"},
};

class RunStatusTest : public AutoPrepScheduleTest,
                      public ::testing::WithParamInterface<StatusCase> {
protected:
    void SetUp() override {
        outcome = GetParam().outcome;
        if (const char* failure = GetParam().failure)
            duringRun = [this, failure] {
                schedule.ShowStatus("Adding Placement Records");
                throw std::runtime_error(failure);
            };
    }
};

TEST_P(RunStatusTest, PrepareExportFileTellsHowTheRunEnded) {
    schedule.FormActivate(3, kFile, kCurrentDate);
    EXPECT_NO_THROW(schedule.btnExportClick());
    EXPECT_EQ(runs.size(), 1u);
    EXPECT_EQ(schedule.view().status, GetParam().prepared);
    EXPECT_FALSE(schedule.running());
    EXPECT_FALSE(schedule.ScheduleArmed());
}

// Whatever the run did, the window shows it in the Completed display and
// goes on to the next day.
TEST_P(RunStatusTest, TheScheduledRunTellsHowItEndedAndTheScheduleGoesOn) {
    Arm(8);
    clock.set(At(day1, 8, 0, 0));
    EXPECT_NO_THROW(schedule.Timer1Timer());
    EXPECT_EQ(runs.size(), 1u);
    EXPECT_EQ(schedule.view().status, GetParam().completed);
    EXPECT_FALSE(schedule.ActiveShown());
    EXPECT_EQ(schedule.view().activateCaption, kActivateCaption);
    EXPECT_FALSE(schedule.view().hourCheckOn);
    EXPECT_FALSE(schedule.running());

    TickThrough(day1, 8 * 3600 + 1, 8 * 3600 + 120);
    EXPECT_EQ(runs.size(), 1u);
    TickAt(At(day1, 9, 0, 0));
    ExpectArmedDisplay();
    TickAt(At(day2, 8, 0, 0));
    EXPECT_EQ(runs.size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(Outcomes, RunStatusTest, ::testing::ValuesIn(kStatusCases),
                         [](const auto& info) { return std::string(info.param.what); });

// ProgramCancelled is no error to show: it leaves the schedule for the
// window, which ends the program.
TEST_F(AutoPrepScheduleTest, GivingUpOnATableLeavesTheSchedule) {
    schedule.FormActivate(3, kFile, kCurrentDate);
    duringRun = [] { throw ProgramCancelled(); };
    EXPECT_THROW(schedule.btnExportClick(), ProgramCancelled);
    EXPECT_FALSE(schedule.running());
}

TEST_F(AutoPrepScheduleTest, ANewScheduleShowsTheDesignCaptionsAndIsIdle) {
    const AutoPrepView& view = schedule.view();
    EXPECT_EQ(view.dateLabel, "Currenrt Date:");
    EXPECT_EQ(view.timeLabel, "Currenrt Time:");
    EXPECT_EQ(view.activateCaption, "&Activate Automatic Export");
    EXPECT_EQ(view.status, "Automatic Export Inactive");
    EXPECT_FALSE(view.activateEnabled);
    EXPECT_FALSE(view.hourCheckOn);
    EXPECT_FALSE(schedule.ScheduleArmed());
    EXPECT_FALSE(schedule.ActiveShown());
    EXPECT_EQ(schedule.RunFilter(), kMainWindowFilter);
}

TEST_F(AutoPrepScheduleTest, ArmedAtHalfPastSevenRunsOnceAtEightRearmsAtNineAndRunsNextDay) {
    Arm(8);
    ExpectArmedDisplay();

    TickThrough(day1, 7 * 3600 + 30 * 60, 8 * 3600 - 1);
    EXPECT_TRUE(runs.empty());

    TickAt(At(day1, 8, 0, 0));
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0], ComposeDateFilter(day1, day1));
    ExpectCompletedDisplay();

    TickThrough(day1, 8 * 3600 + 1, 9 * 3600 - 1);
    EXPECT_EQ(runs.size(), 1u);
    EXPECT_EQ(schedule.view().status, kStatusCompleted);

    TickAt(At(day1, 9, 0, 0));
    ExpectArmedDisplay();

    TickThrough(day1, 9 * 3600 + 1, 24 * 3600 - 1);
    TickThrough(day2, 0, 8 * 3600 - 1);
    EXPECT_EQ(runs.size(), 1u);
    TickAt(At(day2, 8, 0, 0));
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[1], ComposeDateFilter(day2, day2));
    ExpectCompletedDisplay();
}

TEST_F(AutoPrepScheduleTest, TheElevenPmItemRearmsAtMidnight) {
    clock.set(At(day1, 22, 59, 59));
    Arm(23);
    TickAt(At(day1, 23, 0, 0));
    ASSERT_EQ(runs.size(), 1u);
    ExpectCompletedDisplay();
    TickThrough(day1, 23 * 3600 + 1, 24 * 3600 - 1);
    EXPECT_EQ(schedule.view().status, kStatusCompleted);
    TickAt(At(day2, 0, 0, 0));
    ExpectArmedDisplay();
    EXPECT_EQ(runs.size(), 1u);
}

TEST_F(AutoPrepScheduleTest, ActivatingInsideTheChosenHourRunsAtTheNextHourCheck) {
    clock.set(At(day1, 8, 20, 15));
    Arm(8);
    EXPECT_TRUE(runs.empty());
    TickAt(At(day1, 8, 20, 16));
    EXPECT_EQ(runs.size(), 1u);
    ExpectCompletedDisplay();
}

TEST_F(AutoPrepScheduleTest, ActivatingAgainWhileStillInTheChosenHourRunsAgain) {
    clock.set(At(day1, 8, 0, 0));
    Arm(8);
    TickAt(At(day1, 8, 0, 1));
    ASSERT_EQ(runs.size(), 1u);
    schedule.btnActivateClick();
    ExpectArmedDisplay();
    TickAt(At(day1, 8, 10, 0));
    EXPECT_EQ(runs.size(), 2u);
    ExpectCompletedDisplay();
}

TEST_F(AutoPrepScheduleTest, DeactivateStopsTheScheduleForGood) {
    Arm(8);
    schedule.btnActivateClick();
    EXPECT_FALSE(schedule.ScheduleArmed());
    EXPECT_FALSE(schedule.ActiveShown());
    EXPECT_FALSE(schedule.view().hourCheckOn);
    EXPECT_EQ(schedule.view().activateCaption, kActivateCaption);
    EXPECT_EQ(schedule.view().status, kStatusInactive);
    EXPECT_TRUE(schedule.view().settingsEnabled);
    TickAt(At(day1, 8, 0, 0));
    TickAt(At(day1, 9, 0, 0));
    EXPECT_TRUE(runs.empty());
    EXPECT_FALSE(schedule.ActiveShown());
}

TEST_F(AutoPrepScheduleTest, ATypedHourThatIsNoItemArmsButNeverRuns) {
    schedule.FormActivate(-1, kFile, kCurrentDate);
    schedule.ComboBox1Change(-1, "8 o'clock");
    EXPECT_TRUE(schedule.view().activateEnabled);
    schedule.btnActivateClick();
    for (int hour = 0; hour < 24; ++hour) TickAt(At(day1, hour, 0, 0));
    EXPECT_TRUE(runs.empty());
    EXPECT_TRUE(schedule.ActiveShown());
}

TEST_F(AutoPrepScheduleTest, PrepareExportFileRunsAtOnceAndSaysSo) {
    schedule.FormActivate(3, kFile, kCurrentDate);
    schedule.btnExportClick();
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(schedule.view().status, kStatusPrepared);
    EXPECT_FALSE(schedule.ScheduleArmed());
}

TEST_F(AutoPrepScheduleTest, CurrentDateFilterIsTodaysAtEachRun) {
    schedule.FormActivate(3, kFile, kCurrentDate);
    clock.set(At(day1, 10));
    schedule.btnExportClick();
    clock.set(At(Date::fromYmd(2025, 1, 2), 10));
    schedule.btnExportClick();
    EXPECT_EQ(runs, (std::vector<std::string>{
                        "(DTOS(Date) >= \"20240305\") .and. (DTOS(Date) <= \"20240305\")",
                        "(DTOS(Date) >= \"20250102\") .and. (DTOS(Date) <= \"20250102\")"}));
    EXPECT_EQ(schedule.RunFilter(), runs.back());
}

TEST_F(AutoPrepScheduleTest, DateSelectionUsesTheMainWindowsFilterOnEveryRun) {
    schedule.FormActivate(3, kFile, 1);
    schedule.btnExportClick();
    clock.set(At(day2, 10));
    schedule.btnExportClick();
    EXPECT_EQ(runs, (std::vector<std::string>{kMainWindowFilter, kMainWindowFilter}));

    // Switching the choice in the window takes effect at the next run.
    schedule.rgdateClick(kCurrentDate);
    schedule.btnExportClick();
    EXPECT_EQ(runs.back(), ComposeDateFilter(day2, day2));
}

TEST(AutoPrepScheduleAllDates, DateSelectionWithAllDatesRunsWithNoFilter) {
    FakeClock clock{LocalDateTime{Date::fromYmd(2024, 3, 5), 10, 0, 0, 0}};
    std::vector<std::string> runs;
    AutoPrepSchedule schedule{clock, "", [&](const std::string& filter) {
                                  runs.push_back(filter);
                                  return RunOutcome{ExportOutcome::Written, {}};
                              }};
    schedule.FormActivate(3, kFile, 1);
    schedule.btnExportClick();
    EXPECT_EQ(runs, std::vector<std::string>{""});
}

// Event processing during a run hands the schedule whatever the user or the
// timers did meanwhile.
TEST_F(AutoPrepScheduleTest, NoRunStartsWhileOneIsInProgress) {
    schedule.FormActivate(8, kFile, kCurrentDate);
    clock.set(At(day1, 8, 5));
    duringRun = [this] {
        EXPECT_TRUE(schedule.running());
        schedule.btnExportClick();
        schedule.btnActivateClick();  // armed during the run, inside the chosen hour
        schedule.Timer1Timer();
        schedule.PrepareAndExport();
    };
    schedule.btnExportClick();
    EXPECT_EQ(runs.size(), 1u);
    EXPECT_EQ(schedule.view().status, kStatusPrepared);

    // The hour check armed during the run was left on and runs once now.
    duringRun = nullptr;
    EXPECT_TRUE(schedule.view().hourCheckOn);
    schedule.Timer1Timer();
    EXPECT_EQ(runs.size(), 2u);
    ExpectCompletedDisplay();
}

TEST_F(AutoPrepScheduleTest, AClockTickDuringALongRunRearmsInTheFollowingHour) {
    Arm(8);
    duringRun = [this] {
        clock.set(At(day1, 9, 0, 0));
        schedule.Timer2Timer();
        EXPECT_TRUE(schedule.view().hourCheckOn);
        EXPECT_TRUE(schedule.ActiveShown());
    };
    clock.set(At(day1, 8, 0, 0));
    schedule.Timer1Timer();
    EXPECT_EQ(runs.size(), 1u);
    // The run's end shows Completed, and the next tick arms again.
    EXPECT_EQ(schedule.view().status, kStatusCompleted);
    EXPECT_TRUE(schedule.view().hourCheckOn);
    duringRun = nullptr;
    TickAt(At(day1, 9, 0, 1));
    ExpectArmedDisplay();
    EXPECT_EQ(runs.size(), 1u);
}

TEST_F(AutoPrepScheduleTest, EnablingOnActivationFollowsTheSelectedIndex) {
    struct Case {
        int hour;
        const char* fileName;
        bool enabled;
    };
    const Case cases[] = {
        {-1, "", false}, {-1, kFile, false}, {0, "", false}, {0, kFile, true}, {23, kFile, true}};
    for (const Case& c : cases) {
        schedule.FormActivate(c.hour, c.fileName, kCurrentDate);
        EXPECT_EQ(schedule.view().activateEnabled, c.enabled) << c.hour << " " << c.fileName;
        EXPECT_EQ(schedule.view().exportEnabled, c.enabled) << c.hour << " " << c.fileName;
    }
}

TEST_F(AutoPrepScheduleTest, EnablingOnChangeFollowsBothTexts) {
    schedule.FormActivate(-1, "", kCurrentDate);
    schedule.ComboBox1Change(8, kHourItems[8]);
    EXPECT_FALSE(schedule.view().activateEnabled);
    schedule.Edit2Change("x");
    EXPECT_TRUE(schedule.view().activateEnabled);
    EXPECT_TRUE(schedule.view().exportEnabled);
    schedule.ComboBox1Change(-1, "");
    EXPECT_FALSE(schedule.view().activateEnabled);
    EXPECT_FALSE(schedule.view().exportEnabled);
    schedule.ComboBox1Change(-1, "nine");
    EXPECT_TRUE(schedule.view().activateEnabled);
    schedule.Edit2Change("");
    EXPECT_FALSE(schedule.view().activateEnabled);
    EXPECT_FALSE(schedule.view().exportEnabled);
}

TEST_F(AutoPrepScheduleTest, TheClockTickShowsTimeAndDate) {
    TickAt(At(day1, 13, 5, 9));
    EXPECT_EQ(schedule.view().timeLabel, "Current Time: 1:05:09 PM");
    EXPECT_EQ(schedule.view().dateLabel, "Current Date: 03/05/2024");
}

TEST(AutoPrepLongTime, TwelveHourClockWithSeconds) {
    const Date day = Date::fromYmd(2024, 3, 5);
    struct Case {
        int h, m, s;
        const char* text;
    };
    const Case cases[] = {{0, 0, 0, "12:00:00 AM"},
                          {9, 7, 3, "9:07:03 AM"},
                          {11, 59, 59, "11:59:59 AM"},
                          {12, 0, 0, "12:00:00 PM"},
                          {23, 59, 59, "11:59:59 PM"}};
    for (const Case& c : cases)
        EXPECT_EQ(AutoPrepSchedule::LongTimeText(LocalDateTime{day, c.h, c.m, c.s, 0}), c.text);
}

TEST(AutoPrepHourItems, TextsKeepTheirBlanks) {
    EXPECT_STREQ(kHourItems[0], "12:00 Midnight");
    EXPECT_STREQ(kHourItems[1], "  1:00 AM  ");
    EXPECT_STREQ(kHourItems[12], "12:00 Noon");
    EXPECT_STREQ(kHourItems[13], "  1:00 PM  ");
    for (int hour : {2, 3, 4, 5, 6, 7, 8, 9})
        EXPECT_EQ(kHourItems[hour], "  " + std::to_string(hour) + ":00 AM");
    for (int hour : {14, 15, 16, 17, 18, 19, 20, 21})
        EXPECT_EQ(kHourItems[hour], "  " + std::to_string(hour - 12) + ":00 PM");
    EXPECT_STREQ(kHourItems[10], "10:00 AM");
    EXPECT_STREQ(kHourItems[11], "11:00 AM");
    EXPECT_STREQ(kHourItems[22], "10:00 PM");
    EXPECT_STREQ(kHourItems[23], "11:00 PM");
}

}  // namespace
