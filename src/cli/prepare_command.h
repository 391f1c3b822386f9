// marklift-prepare: the automatic preparation from a command line. It reads
// MARKLIFT.ini the way the program does, lets options override it, builds
// the work table and writes the upload file of all its records.
#pragma once

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "core/config/clock.h"
#include "core/config/program_settings.h"
#include "tables/date.h"

namespace marklift {

// What the options name; whatever is absent comes from the settings file.
struct PrepareOptions {
    struct DateChoice {
        enum Kind { All, Today, Range } kind;
        Date begin{};
        Date end{};
    };

    std::optional<std::string> iniFile;
    std::optional<std::string> dataPath;
    std::optional<int> period;            // 1..11
    std::optional<bool> searchTemporary;  // --search temporary|master
    std::optional<DateChoice> dates;
    std::optional<int> fileFormat;  // 0 fixed .. 3 tab
    // Placement, assessment, score.
    std::optional<std::vector<bool>> records;
    // Attempted, subscores, purpose and accommodation, site code.
    std::optional<std::vector<bool>> fields;
    std::optional<std::string> outputFile;
    // --format-report FILE.pdf: the upload file's layout instead of the file.
    std::optional<std::string> formatReport;
};

extern const char kPrepareUsage[];

// Throws UsageError.
PrepareOptions ParsePrepareOptions(const std::vector<std::string>& arguments);

// The settings, date filter and upload file of one run: the settings file
// read as the program reads it, then the options on top. Throws
// MarkliftError when something needed is neither given nor stored (a
// testing period, an output file), UsageError for a bad date range.
struct PrepareRun {
    ProgramSettings settings;
    std::string dateFilter;
    std::string outputFile;
    std::string settingsFile;  // MARKLIFT.ini beside the program, or --ini
};
PrepareRun ResolvePrepareRun(const PrepareOptions& options, const std::string& programDir,
                             const Clock& clock);

// Writes the file format report as a PDF: path, file type, then whether
// attempted, subscores, purpose and accommodation and site code are included.
using FormatReportWriter = std::function<void(const std::string& path, int fileType, bool attempted,
                                              bool subscores, bool panda, bool siteCode)>;

// Exit statuses of the command.
inline constexpr int kExitWritten = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitNothingSelected = 3;

// The whole command: kExitWritten on success (the output file and the record
// count on `out`), kExitNothingSelected when the run found no record (no file
// is written), kExitFailed on failure and kExitUsage for a bad command line,
// with one line on `err` saying why. Status lines of the build go to `err`
// as well. Each run appends its line to the run log beside the settings
// file. With --format-report it writes the layout of the file the same
// settings would give through `writeReport`, and builds nothing.
int RunPrepareCommand(const std::vector<std::string>& arguments, const std::string& programDir,
                      const Clock& clock, std::ostream& out, std::ostream& err,
                      const FormatReportWriter& writeReport = {});

}  // namespace marklift
