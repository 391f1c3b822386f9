// The run log's line and file: what one line says of a run, where the log
// lies beside the settings file, and that lines are only ever added.
#include "core/preparation/run_log.h"

#include <gtest/gtest.h>

#include "core/config/program_settings.h"
#include "core/session/date_filter.h"
#include "core/session/program_error.h"
#include "support/temp_directory.h"

namespace marklift {
namespace {

using testing::TempDirectory;

const LocalDateTime kStarted{Date::fromYmd(2026, 3, 5), 18, 15, 2, 640};

ProgramSettings Choices(const std::string& periodDir, bool temporary, int fileFormat) {
    ProgramSettings settings;
    settings.PeriodDir = periodDir;
    settings.SearchTemporary = temporary;
    settings.FileFormat = fileFormat;
    return settings;
}

TEST(RunLogLine, SaysWhenWhoWhatHowManyAndWhere) {
    struct Case {
        const char* what;
        ProgramSettings settings;
        RunLogEntry entry;
        std::string line;
    };
    ProgramSettings everything = Choices("DELVTP11\\", false, 2);
    everything.IncludePlacementRecords = everything.IncludeAssessmentRecords =
        everything.IncludeScoreRecords = true;
    everything.IncludeAttempted = everything.IncludeSubscores =
        everything.IncludePurposeAndAccommodation = everything.IncludeSiteCode = true;
    ProgramSettings some = Choices("DELVTP1\\", true, 0);
    some.IncludeScoreRecords = true;
    some.IncludeSiteCode = true;
    const std::string march =
        ComposeDateFilter(Date::fromYmd(2026, 3, 1), Date::fromYmd(2026, 3, 5));
    const Case cases[] = {
        {"a file written",
         everything,
         {kStarted, "marklift-prepare", "", "prepared", 1315, "/srv/banner/zolt.asc"},
         "2026-03-05 18:15:02 | marklift-prepare | period 11 | search master; dates all; "
         "records placement,assessment,score; fields attempted,subscores,panda,sitecode; "
         "format comma | prepared | 1315 records | /srv/banner/zolt.asc"},
        {"nothing selected in a range",
         some,
         {kStarted, "Auto Prepare", march, "not prepared: no data in date range", 0,
          "/home/staff/Q"},
         "2026-03-05 18:15:02 | Auto Prepare | period 1 | search temporary; dates "
         "03/01/2026-03/05/2026; records score; fields sitecode; format fixed | not prepared: "
         "no data in date range | 0 records | /home/staff/Q"},
        {"nothing chosen, a type the dialog has not put right yet",
         Choices("DELVTP3\\", true, 7),
         {kStarted, "Auto Prepare", "", "failed: Table X does not exist.", 0, "/u/A.ASC"},
         "2026-03-05 18:15:02 | Auto Prepare | period 3 | search temporary; dates all; "
         "records none; fields none; format 7 | failed: Table X does not exist. | 0 records | "
         "/u/A.ASC"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(FormatRunLogLine(c.entry, c.settings), c.line);
    }
}

TEST(RunLogFile, LiesBesideTheSettingsFile) {
    EXPECT_EQ(RunLogFileBeside("C:\\MARKLIFT\\MARKLIFT.ini"), "C:\\MARKLIFT\\MARKLIFT.log");
    EXPECT_EQ(RunLogFileBeside("/etc/marklift/night.ini"), "/etc/marklift/MARKLIFT.log");
    EXPECT_EQ(RunLogFileBeside("/opt/x\\MARKLIFT.ini"), "/opt/x\\MARKLIFT.log");
    EXPECT_EQ(RunLogFileBeside("MARKLIFT.ini"), "MARKLIFT.log");
}

TEST(RunLogFile, LinesAreAddedAndNothingElseChanges) {
    TempDirectory dir;
    const std::string log = dir.programPath() + "MARKLIFT.log";
    AppendRunLogLine(log, "first");
    AppendRunLogLine(log, "second");
    EXPECT_EQ(dir.readFile("MARKLIFT.log"), "first\r\nsecond\r\n");

    const std::string nowhere = dir.programPath() + "gone\\MARKLIFT.log";
    try {
        AppendRunLogLine(nowhere, "lost");
        FAIL() << "no error for a missing folder";
    } catch (const MarkliftError& error) {
        EXPECT_EQ(std::string(error.what()), "Unable to write to " + nowhere);
    }
}

}  // namespace
}  // namespace marklift
