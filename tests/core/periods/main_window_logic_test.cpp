#include "core/periods/main_window_logic.h"

#include <gtest/gtest.h>

#include <functional>

#include "core/session/date_filter.h"
#include "core/session/program_error.h"
#include "support/scripted_user_interface.h"
#include "support/temp_directory.h"

namespace marklift {
namespace {

using testing::TempDirectory;

const Date kToday = Date::fromYmd(2024, 5, 6);

Date md(int month, int day, int year) {
    return Date::fromYmd(year, month, day);
}

// -- First activation --------------------------------------------------------

// What the first activation ends up with; starts as a run without a file.
struct StartupExpectation {
    std::string dataPath = "C:\\DELV\\";
    std::string rememberedPeriod;
    int searchIndex = 0;
    bool selectedDates = false;
    Date beginDate;
    Date endDate;
    bool placement = true;
    bool assessment = true;
    bool score = true;
    bool purposeAndAccommodation = false;
    bool attempted = false;
    bool subscores = false;
    bool siteCode = false;
    int fileFormat = 0;
};

struct StartupCase {
    const char* name;
    const char* ini;  // nullptr: no file
    std::function<void(StartupExpectation&)> differences;
};

TEST(ReadStartupSettings, AppliesTheFileWithItsDefaults) {
    const StartupCase cases[] = {
        {"no file", nullptr, [](StartupExpectation&) {}},
        {"data path without trailing backslash", "[Directories]\r\nZOLT Path=D:\\ZOLT\r\n",
         [](StartupExpectation& e) { e.dataPath = "D:\\ZOLT\\"; }},
        {"empty data path", "[Directories]\r\nZOLT Path=\r\n",
         [](StartupExpectation& e) { e.dataPath = "\\"; }},
        {"remembered period", "[Testing Periods]\r\nZOLT From=3\r\n",
         [](StartupExpectation& e) { e.rememberedPeriod = "3"; }},
        {"include flags: 2 is true, a word is the default",
         "[ZOLT Export]\r\nInclude Score Records=2\r\nInclude Site Code=yes\r\n"
         "Include Placement Records=yes\r\nInclude Assessment Records=0\r\n"
         "Include Purpose and Accommodation=1\r\nInclude Attempted=1\r\nInclude Subscores=1\r\n",
         [](StartupExpectation& e) {
             e.assessment = false;
             e.purposeAndAccommodation = e.attempted = e.subscores = true;
         }},
        {"search in hexadecimal", "[ZOLT Export]\r\nSearch=0x1\r\n",
         [](StartupExpectation& e) { e.searchIndex = 1; }},
        {"search above 1 is Master", "[ZOLT Export]\r\nSearch=7\r\n",
         [](StartupExpectation& e) { e.searchIndex = 1; }},
        {"search of 2 is Master", "[ZOLT Export]\r\nSearch=2\r\n",
         [](StartupExpectation& e) { e.searchIndex = 1; }},
        {"search of 1 is Master", "[ZOLT Export]\r\nSearch=1\r\n",
         [](StartupExpectation& e) { e.searchIndex = 1; }},
        {"search below 0 is neither", "[ZOLT Export]\r\nSearch=-3\r\n",
         [](StartupExpectation& e) { e.searchIndex = -1; }},
        {"file format taken as stored", "[ZOLT Export]\r\nFile Format=7\r\n",
         [](StartupExpectation& e) { e.fileFormat = 7; }},
        {"names in lower case",
         "[zolt export]\r\nsearch=1\r\nfile format=2\r\ninclude site code=1\r\n"
         "[testing periods]\r\nzolt from=11\r\n[directories]\r\nzolt path=e:\\z\\\r\n",
         [](StartupExpectation& e) {
             e.searchIndex = 1;
             e.fileFormat = 2;
             e.siteCode = true;
             e.rememberedPeriod = "11";
             e.dataPath = "e:\\z\\";
         }},
        {"selected dates",
         "[ZOLT Export]\r\nSelected Dates=1\r\nBegin Date=03/15/2004\r\nEnd Date=04/01/2004\r\n",
         [](StartupExpectation& e) {
             e.selectedDates = true;
             e.beginDate = md(3, 15, 2004);
             e.endDate = md(4, 1, 2004);
         }},
        {"zero date leaves the picker empty",
         "[ZOLT Export]\r\nSelected Dates=1\r\nBegin Date=12/30/1899\r\nEnd Date=04/01/2004\r\n",
         [](StartupExpectation& e) {
             e.selectedDates = true;
             e.endDate = md(4, 1, 2004);
         }},
        {"missing dates read as today", "[ZOLT Export]\r\nSelected Dates=1\r\n",
         [](StartupExpectation& e) {
             e.selectedDates = true;
             e.beginDate = e.endDate = kToday;
         }},
        {"begin date that is not a date: both today",
         "[ZOLT Export]\r\nSelected Dates=1\r\nBegin Date=15.03.2004\r\nEnd Date=04/01/2004\r\n",
         [](StartupExpectation& e) {
             e.selectedDates = true;
             e.beginDate = e.endDate = kToday;
         }},
        {"end date that is not a date: both today",
         "[ZOLT Export]\r\nSelected Dates=1\r\nBegin Date=03/15/2004\r\nEnd Date=\r\n",
         [](StartupExpectation& e) {
             e.selectedDates = true;
             e.beginDate = e.endDate = kToday;
         }},
        {"dates not read under All Dates",
         "[ZOLT Export]\r\nSelected Dates=0\r\nBegin Date=03/15/2004\r\nEnd Date=04/01/2004\r\n",
         [](StartupExpectation&) {}},
        {"selected dates as a word is the default",
         "[ZOLT Export]\r\nSelected Dates=yes\r\nBegin Date=03/15/2004\r\n",
         [](StartupExpectation&) {}},
    };
    const FakeClock clock({kToday, 9, 30, 0, 0});
    for (const StartupCase& c : cases) {
        SCOPED_TRACE(c.name);
        TempDirectory dir;
        if (c.ini) dir.writeFile("MARKLIFT.ini", c.ini);
        StartupExpectation expected;
        c.differences(expected);

        ProgramSettings settings;
        settings.SettingsFileName = dir.programPath() + "MARKLIFT.ini";
        StartupSettings startup =
            ReadStartupSettings(ProgramSettingsFile(settings), clock, settings);

        EXPECT_EQ(settings.DataPath, expected.dataPath);
        EXPECT_EQ(startup.rememberedPeriod, expected.rememberedPeriod);
        EXPECT_EQ(startup.choices.searchIndex, expected.searchIndex);
        EXPECT_EQ(startup.choices.selectedDates, expected.selectedDates);
        EXPECT_EQ(startup.choices.beginDate, expected.beginDate);
        EXPECT_EQ(startup.choices.endDate, expected.endDate);
        EXPECT_EQ(settings.IncludePlacementRecords, expected.placement);
        EXPECT_EQ(settings.IncludeAssessmentRecords, expected.assessment);
        EXPECT_EQ(settings.IncludeScoreRecords, expected.score);
        EXPECT_EQ(settings.IncludePurposeAndAccommodation, expected.purposeAndAccommodation);
        EXPECT_EQ(settings.IncludeAttempted, expected.attempted);
        EXPECT_EQ(settings.IncludeSubscores, expected.subscores);
        EXPECT_EQ(settings.IncludeSiteCode, expected.siteCode);
        EXPECT_EQ(settings.FileFormat, expected.fileFormat);
    }
}

TEST(SelectPeriodRow, EnablesFindAndAutoPrepareExactlyWithARow) {
    ProgramSettings settings;
    EXPECT_TRUE(SelectPeriodRow(10, settings));
    EXPECT_EQ(settings.SelectedPeriod, 10);
    EXPECT_FALSE(SelectPeriodRow(-1, settings));
    EXPECT_EQ(settings.SelectedPeriod, -1);
}

// -- Scan of the testing periods ---------------------------------------------

class LoadTestingPeriodsTest : public ::testing::Test {
protected:
    LoadTestingPeriodsTest() { settings.DataPath = dir.programPath(); }

    void makePeriods(std::initializer_list<int> numbers) const {
        for (int n : numbers) dir.writeFile("DELVTP" + std::to_string(n) + "/TP.DBF", "");
    }

    // Names each period after its directory's last letters, and remembers
    // which directories were read.
    TestingPeriods scan(const std::string& remembered = "", int currentRow = -1) {
        return LoadTestingPeriods(remembered, currentRow, ui, settings,
                                  [this](const std::string& directory, UserInterface&) {
                                      readDirectories.push_back(directory);
                                      std::string number = directory.substr(
                                          settings.DataPath.size() + 6,
                                          directory.size() - settings.DataPath.size() - 7);
                                      return "Spring " + number;
                                  });
    }

    TempDirectory dir;
    ProgramSettings settings;
    ScriptedUserInterface ui;
    std::vector<std::string> readDirectories;
};

TEST_F(LoadTestingPeriodsTest, PeriodsOneToNineWithPlaceholdersForTenAndEleven) {
    makePeriods({1, 2, 3, 4, 5, 6, 7, 8, 9});
    TestingPeriods periods = scan();
    ASSERT_EQ(periods.rows.size(), 11u);
    EXPECT_EQ(periods.rows[0], "1.  \tSpring 1");
    EXPECT_EQ(periods.rows[8], "9.  \tSpring 9");
    EXPECT_EQ(periods.rows[9], "10.  Testing Period 10");
    EXPECT_EQ(periods.rows[10], "11.  Testing Period 11");
    EXPECT_EQ(periods.numbers,
              (std::vector<std::string>{"1", "2", "3", "4", "5", "6", "7", "8", "9"}));
    ASSERT_EQ(settings.PeriodChoices.size(), 9u);
    EXPECT_EQ(settings.PeriodChoices[0], "1. Spring 1");
    EXPECT_EQ(settings.PeriodChoices[8], "9. Spring 9");
    EXPECT_EQ(readDirectories.front(), dir.programPath() + "DELVTP1\\");
    EXPECT_EQ(readDirectories.size(), 9u);
    EXPECT_TRUE(ui.messages().empty());
    EXPECT_EQ(periods.selectedRow, -1);
    EXPECT_EQ(settings.SelectedPeriod, -1);
}

TEST_F(LoadTestingPeriodsTest, PeriodElevenAfterMissingTenIsListed) {
    makePeriods({1, 2, 3, 4, 5, 6, 7, 8, 9, 11});
    TestingPeriods periods = scan();
    ASSERT_EQ(periods.rows.size(), 11u);
    EXPECT_EQ(periods.rows[9], "10.  Testing Period 10");
    EXPECT_EQ(periods.rows[10], "11.  \tSpring 11");
    EXPECT_EQ(periods.numbers.back(), "11");
    EXPECT_EQ(settings.PeriodChoices.back(), "11. Spring 11");
}

TEST_F(LoadTestingPeriodsTest, MissingPeriodBelowTenStopsTheScan) {
    makePeriods({1, 2, 3, 4, 6});
    TestingPeriods periods = scan();
    EXPECT_EQ(periods.rows.size(), 4u);
    EXPECT_EQ(periods.numbers, (std::vector<std::string>{"1", "2", "3", "4"}));
    EXPECT_EQ(readDirectories.size(), 4u);
    ASSERT_EQ(ui.messages().size(), 1u);
    EXPECT_EQ(ui.messages()[0].title, "Error");
    EXPECT_EQ(ui.messages()[0].text,
              "Not all ZOLT Testing Periods have been initialized.  Contact DELV.");
    EXPECT_EQ(ui.messages()[0].icon, MessageIcon::Error);
    EXPECT_EQ(ui.messages()[0].buttons, MessageButtons::Ok);
}

TEST_F(LoadTestingPeriodsTest, EmptyDataDirectoryMeansNoPath) {
    settings.PeriodChoices = {"1. Old"};
    TestingPeriods periods = scan("1", 0);
    EXPECT_TRUE(periods.rows.empty());
    EXPECT_TRUE(periods.numbers.empty());
    EXPECT_TRUE(settings.PeriodChoices.empty());
    EXPECT_EQ(periods.selectedRow, -1);
    EXPECT_EQ(settings.SelectedPeriod, -1);
    EXPECT_EQ(ui.messageTexts(), std::vector<std::string>{"Path to ZOLT is not set."});
}

TEST_F(LoadTestingPeriodsTest, NamesFoundWithoutRegardToCase) {
    dir.writeFile("delvtp1/tp.dbf", "");
    dir.writeFile("DelvTp2/Tp.Dbf", "");
    TestingPeriods periods = scan();
    EXPECT_EQ(periods.numbers, (std::vector<std::string>{"1", "2"}));
}

TEST_F(LoadTestingPeriodsTest, LetsTheWindowPaintBeforeAndAfter) {
    scan();
    EXPECT_EQ(ui.processEventsCalls(), 2);
}

TEST_F(LoadTestingPeriodsTest, CancelledOpenEndsTheScan) {
    makePeriods({1, 2, 3});
    int reads = 0;
    auto cancelAtTwo = [&reads](const std::string&, UserInterface&) -> std::string {
        if (++reads == 2) throw ProgramCancelled();
        return "x";
    };
    EXPECT_THROW(LoadTestingPeriods("", -1, ui, settings, cancelAtTwo), ProgramCancelled);
    EXPECT_EQ(reads, 2);
}

TEST_F(LoadTestingPeriodsTest, SelectionAfterTheScan) {
    struct Case {
        const char* name;
        int periodsPresent;  // 1..n present
        int alsoPresent;     // one more period present, 0 for none
        const char* remembered;
        int currentRow;
        int expectedRow;
        const char* expectedPeriodDir;  // "" when not set by the scan
    };
    const Case cases[] = {
        {"remembered period selected", 9, 0, "3", -1, 2, "DELVTP3\\"},
        {"remembered wins over the current row", 9, 0, "2", 6, 1, "DELVTP2\\"},
        {"number not listed", 9, 0, "12", -1, -1, ""},
        {"not a number", 9, 0, "x", -1, -1, ""},
        {"leading zero is another text", 9, 0, "03", -1, -1, ""},
        // A placeholder's directory has no period to build from.
        {"remembered placeholder row of 11", 9, 0, "11", -1, -1, ""},
        {"remembered placeholder row of 10", 9, 11, "10", -1, -1, ""},
        {"placeholder keeps the current row", 9, 0, "10", 3, 3, ""},
        {"period 11 after the placeholder of 10", 9, 11, "11", -1, 10, "DELVTP11\\"},
        {"remembered period beyond the scan", 4, 0, "9", -1, -1, ""},
        {"current row kept", 9, 0, "", 4, 4, ""},
        {"current row that no longer exists is lost", 4, 0, "", 6, -1, ""},
        {"nothing found", 0, 0, "1", -1, -1, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDirectory data;
        for (int n = 1; n <= c.periodsPresent; ++n)
            data.writeFile("DELVTP" + std::to_string(n) + "/TP.DBF", "");
        if (c.alsoPresent > 0)
            data.writeFile("DELVTP" + std::to_string(c.alsoPresent) + "/TP.DBF", "");
        settings.DataPath = data.programPath();
        settings.PeriodDir.clear();
        TestingPeriods periods = scan(c.remembered, c.currentRow);
        EXPECT_EQ(periods.selectedRow, c.expectedRow);
        EXPECT_EQ(settings.SelectedPeriod, c.expectedRow);
        EXPECT_EQ(settings.PeriodDir, c.expectedPeriodDir);
    }
}

// -- Find and Auto Prepare ---------------------------------------------------

struct SearchCase {
    const char* name;
    MainWindowChoices choices;
    const char* message;  // "" when the search goes on
    const char* filter;   // DateFilter afterwards
};

TEST(PrepareSearch, ChecksTheDatesAndComposesTheFilter) {
    const SearchCase cases[] = {
        {"all dates", {0, false, Date(), Date()}, "", ""},
        {"all dates ignores the pickers", {0, false, md(3, 15, 2004), md(3, 1, 2004)}, "", ""},
        {"selected range",
         {0, true, md(3, 15, 2004), md(4, 1, 2004)},
         "",
         "(DTOS(Date) >= \"20040315\") .and. (DTOS(Date) <= \"20040401\")"},
        {"one day",
         {0, true, md(3, 15, 2004), md(3, 15, 2004)},
         "",
         "(DTOS(Date) >= \"20040315\") .and. (DTOS(Date) <= \"20040315\")"},
        {"across the year",
         {0, true, md(12, 31, 2003), md(1, 1, 2004)},
         "",
         "(DTOS(Date) >= \"20031231\") .and. (DTOS(Date) <= \"20040101\")"},
        {"empty begin",
         {0, true, Date(), md(3, 15, 2004)},
         "The selected dates must be entered.",
         "old"},
        {"empty end",
         {0, true, md(3, 15, 2004), Date()},
         "The selected dates must be entered.",
         "old"},
        {"both empty", {0, true, Date(), Date()}, "The selected dates must be entered.", "old"},
        {"begin after end",
         {0, true, md(3, 15, 2004), md(3, 14, 2004)},
         "The Begin Date cannot be later than the End Date.",
         "old"},
    };
    for (const SearchCase& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedUserInterface ui;
        ProgramSettings settings;
        settings.DateFilter = "old";
        settings.SearchTemporary = false;
        const bool goOn = PrepareSearch(2, c.choices, ui, settings);
        const bool expectGoOn = std::string(c.message).empty();
        EXPECT_EQ(goOn, expectGoOn);
        EXPECT_EQ(settings.PeriodDir, "DELVTP3\\");
        EXPECT_EQ(settings.DateFilter, c.filter);
        // A failed check leaves SearchTemporary as it was.
        EXPECT_EQ(settings.SearchTemporary, expectGoOn);
        if (expectGoOn) {
            EXPECT_TRUE(ui.messages().empty());
        } else {
            ASSERT_EQ(ui.messages().size(), 1u);
            EXPECT_EQ(ui.messages()[0].title, "Error");
            EXPECT_EQ(ui.messages()[0].text, c.message);
            EXPECT_EQ(ui.messages()[0].icon, MessageIcon::Error);
        }
    }
}

TEST(PrepareSearch, SearchTemporaryOnlyForTheTemporaryChoice) {
    for (int index : {0, 1, -1}) {
        SCOPED_TRACE(index);
        ScriptedUserInterface ui;
        ProgramSettings settings;
        settings.SearchTemporary = index != 0;
        EXPECT_TRUE(PrepareSearch(10, {index, false, Date(), Date()}, ui, settings));
        EXPECT_EQ(settings.SearchTemporary, index == 0);
        EXPECT_EQ(settings.PeriodDir, "DELVTP11\\");
    }
}

// -- Shutdown ----------------------------------------------------------------

class ShutdownTest : public ::testing::Test {
protected:
    SettingsFile file() const { return SettingsFile(dir.programPath() + "MARKLIFT.ini"); }
    TempDirectory dir;
};

TEST_F(ShutdownTest, WritesTheChoicesInOrder) {
    SettingsFile settings = file();
    WriteShutdownSettings(settings, 2, {1, true, md(3, 15, 2004), md(4, 1, 2004)});
    EXPECT_EQ(dir.readFile("MARKLIFT.ini"),
              "[Testing Periods]\r\nZOLT From=3\r\n\r\n"
              "[ZOLT Export]\r\nSearch=1\r\nSelected Dates=1\r\n"
              "Begin Date=03/15/2004\r\nEnd Date=04/01/2004\r\n");
}

TEST_F(ShutdownTest, WithoutARowTheRememberedPeriodStays) {
    dir.writeFile("MARKLIFT.ini",
                  "[Directories]\r\nZOLT Path=D:\\ZOLT\\\r\n\r\n[Testing Periods]\r\n"
                  "ZOLT From=5\r\n\r\n[ZOLT Export]\r\nSearch=0\r\nSelected Dates=1\r\n"
                  "Begin Date=03/15/2004\r\nEnd Date=04/01/2004\r\nFile Format=2\r\n");
    SettingsFile settings = file();
    WriteShutdownSettings(settings, -1, {-1, false, Date(), md(1, 2, 2005)});
    EXPECT_EQ(dir.readFile("MARKLIFT.ini"),
              "[Directories]\r\nZOLT Path=D:\\ZOLT\\\r\n\r\n[Testing Periods]\r\n"
              "ZOLT From=5\r\n\r\n[ZOLT Export]\r\nSearch=-1\r\nSelected Dates=0\r\n"
              "Begin Date=12/30/1899\r\nEnd Date=01/02/2005\r\nFile Format=2\r\n");
}

TEST_F(ShutdownTest, NextRunReadsBackWhatWasWritten) {
    SettingsFile settings = file();
    const MainWindowChoices choices{1, true, Date(), md(4, 1, 2004)};
    WriteShutdownSettings(settings, 10, choices);
    ProgramSettings program;
    StartupSettings startup =
        ReadStartupSettings(settings, FakeClock({kToday, 0, 0, 0, 0}), program);
    EXPECT_EQ(startup.rememberedPeriod, "11");
    EXPECT_EQ(startup.choices.searchIndex, choices.searchIndex);
    EXPECT_EQ(startup.choices.selectedDates, choices.selectedDates);
    EXPECT_EQ(startup.choices.beginDate, choices.beginDate);
    EXPECT_EQ(startup.choices.endDate, choices.endDate);
}

TEST_F(ShutdownTest, FailedWriteStopsWithTheFilesName) {
    dir.writeFile("Program", "a file where the directory should be");
    SettingsFile settings(dir.programPath() + "Program\\MARKLIFT.ini");
    try {
        WriteShutdownSettings(settings, 0, {});
        FAIL() << "the write did not fail";
    } catch (const MarkliftError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Unable to write to " + dir.programPath() + "Program\\MARKLIFT.ini");
    }
}

TEST(FindMessages, NothingFoundNamesTheRangeOrAllDates) {
    EXPECT_EQ(NothingFoundMessage(ComposeDateFilter(md(3, 1, 2026), md(3, 9, 2026))),
              "No records were found from 03/01/2026 to 03/09/2026.");
    EXPECT_EQ(NothingFoundMessage(""), "No records were found.");
    EXPECT_EQ(NotADateMessage("13/45/2026"), "'13/45/2026' is not a valid date.");
}

}  // namespace
}  // namespace marklift
