// The unattended road over period 1 of the ZOLT fixture: every way a run can
// end leaves exactly one line in the run log, with the records written and
// the file, and the run's own errors still reach the caller.
#include "core/preparation/unattended_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include "core/config/clock.h"
#include "core/config/program_settings.h"
#include "core/session/date_filter.h"
#include "core/session/program_error.h"
#include "core/worktable/build_progress.h"
#include "support/scripted_user_interface.h"
#include "support/temp_directory.h"

namespace marklift {
namespace {

using testing::TempDirectory;

const LocalDateTime kNight{Date::fromYmd(2004, 3, 25), 2, 30, 0, 0};

struct EndingCase {
    const char* what;
    const char* runFilter;
    const char* fileName;      // in the test's directory, '/' between folders
    const char* removedTable;  // a ZOLT table gone before the run, or null
    ExportOutcome outcome;     // when the run returns
    const char* logged;        // the outcome column of the line
    bool recordsWritten;       // a count above 0 in the line
};

void PrintTo(const EndingCase& c, std::ostream* out) {
    *out << c.what;
}

class UnattendedRunTest : public ::testing::TestWithParam<EndingCase> {
protected:
    void SetUp() override {
        std::filesystem::copy(MARKLIFT_FIXTURES "/zolt", dir.path() / "zolt",
                              std::filesystem::copy_options::recursive);
        settings.DataPath = dir.programPath() + "zolt\\";
        settings.PeriodDir = "DELVTP1\\";
        settings.SearchTemporary = true;
        settings.IncludePlacementRecords = true;
    }

    // The run log's lines, each split at " | ".
    std::vector<std::vector<std::string>> loggedLines() const {
        std::vector<std::vector<std::string>> lines;
        const std::string text = dir.readFile("MARKLIFT.log");
        std::size_t start = 0;
        while (start < text.size()) {
            const std::size_t end = text.find("\r\n", start);
            std::vector<std::string> columns;
            const std::string line = text.substr(start, end - start);
            for (std::size_t from = 0;;) {
                const std::size_t bar = line.find(" | ", from);
                columns.push_back(line.substr(from, bar - from));
                if (bar == std::string::npos) break;
                from = bar + 3;
            }
            lines.push_back(columns);
            start = end + 2;
        }
        return lines;
    }

    TempDirectory dir;
    ProgramSettings settings;
    ScriptedUserInterface ui;
    SilentBuildProgress progress;
    FakeClock clock{kNight};
};

TEST_P(UnattendedRunTest, EveryEndingLeavesOneLineInTheRunLog) {
    const EndingCase& c = GetParam();
    if (c.removedTable) std::filesystem::remove(dir.path() / "zolt" / "DELVTP1" / c.removedTable);
    const UnattendedRun run{"marklift-prepare", dir.programPath() + "MARKLIFT.log", clock};
    std::string programName = c.fileName;
    std::replace(programName.begin(), programName.end(), '/', '\\');
    const std::string file = dir.programPath() + programName;
    const std::string nativeFile = (dir.path() / c.fileName).lexically_normal().string();

    std::uint32_t records = 0;
    if (c.removedTable) {
        EXPECT_THROW(RunUnattended(run, settings, c.runFilter, file, ui, progress), std::exception);
    } else {
        const UnattendedResult result =
            RunUnattended(run, settings, c.runFilter, file, ui, progress);
        EXPECT_EQ(result.outcome, c.outcome);
        EXPECT_EQ(result.runLogError, "");
        EXPECT_EQ(result.records > 0, c.recordsWritten);
        records = result.records;
    }
    EXPECT_TRUE(ui.messages().empty());

    const auto lines = loggedLines();
    ASSERT_EQ(lines.size(), 1u);
    ASSERT_EQ(lines[0].size(), 7u);
    EXPECT_EQ(lines[0][0], "2004-03-25 02:30:00");
    EXPECT_EQ(lines[0][1], "marklift-prepare");
    EXPECT_EQ(lines[0][2], "period 1");
    EXPECT_TRUE(lines[0][4].starts_with(c.logged)) << lines[0][4];
    EXPECT_EQ(lines[0][5], std::to_string(records) + " records");
    EXPECT_EQ(lines[0][6], nativeFile);
}

const EndingCase kEndings[] = {
    {"Written", "", "UPLOAD.ASC", nullptr, ExportOutcome::Written, "prepared", true},
    {"NothingSelected", "(DTOS(Date) >= \"19990101\") .and. (DTOS(Date) <= \"19990102\")",
     "UPLOAD.ASC", nullptr, ExportOutcome::NothingSelected, "not prepared: no data in date range",
     false},
    {"WriterFailed", "", "gone/UPLOAD.ASC", nullptr, ExportOutcome::WriterFailed,
     "not prepared: the file could not be written", false},
    {"RunFailed", "", "UPLOAD.ASC", "PLACTEMP.DBF", ExportOutcome::Written, "failed: Table ",
     false},
};

INSTANTIATE_TEST_SUITE_P(Endings, UnattendedRunTest, ::testing::ValuesIn(kEndings),
                         [](const auto& info) { return std::string(info.param.what); });

// A run log that cannot be written does not undo the upload file: the
// caller hears of both.
TEST(UnattendedRunLog, ALogThatCannotBeWrittenIsToldBesideTheOutcome) {
    TempDirectory dir;
    std::filesystem::copy(MARKLIFT_FIXTURES "/zolt", dir.path() / "zolt",
                          std::filesystem::copy_options::recursive);
    ProgramSettings settings;
    settings.DataPath = dir.programPath() + "zolt\\";
    settings.PeriodDir = "DELVTP1\\";
    settings.SearchTemporary = true;
    settings.IncludeScoreRecords = true;
    ScriptedUserInterface ui;
    SilentBuildProgress progress;
    FakeClock clock{kNight};
    const std::string log = dir.programPath() + "gone\\MARKLIFT.log";
    const UnattendedResult result = RunUnattended({"Auto Prepare", log, clock}, settings, "",
                                                  dir.programPath() + "UPLOAD.ASC", ui, progress);
    EXPECT_EQ(result.outcome, ExportOutcome::Written);
    EXPECT_EQ(result.runLogError, "Unable to write to " + log);
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "UPLOAD.ASC"));
}

}  // namespace
}  // namespace marklift
