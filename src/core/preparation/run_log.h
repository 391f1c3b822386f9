// The run log: one line for every unattended run (the automatic preparation
// window's and marklift-prepare's) in MARKLIFT.log beside the settings file,
// so that "did last night's file go out?" is answered by reading one file.
#pragma once

#include <cstdint>
#include <string>

#include "core/config/clock.h"

namespace marklift {

struct ProgramSettings;

inline constexpr char kRunLogFileName[] = "MARKLIFT.log";

// The run log in the directory of the settings file `settingsFileName` (a
// program path).
std::string RunLogFileBeside(const std::string& settingsFileName);

// What one run was asked to do and how it ended.
struct RunLogEntry {
    LocalDateTime started;
    std::string caller;     // "Auto Prepare" or "marklift-prepare"
    std::string runFilter;  // the build's date filter, empty for all dates
    std::string outcome;    // "prepared", "not prepared: ...", "failed: ..."
    std::uint32_t recordsWritten = 0;
    std::string file;  // the upload file as written
};

// The entry's line, without a line end: time, caller, period, choices,
// outcome, records written and file, separated by " | ". The choices use
// marklift-prepare's words for them:
// 2026-03-05 18:15:02 | marklift-prepare | period 1 | search master; dates
// 03/05/2026-03/05/2026; records placement,score; fields none; format fixed |
// prepared | 1315 records | /srv/banner/zolt.asc
std::string FormatRunLogLine(const RunLogEntry& entry, const ProgramSettings& settings);

// Appends the line and a CR LF, as MARKLIFT.ini ends its lines, to `logFile`
// (a program path), creating the file. Throws MarkliftError "Unable to write
// to" the file.
void AppendRunLogLine(const std::string& logFile, const std::string& line);

}  // namespace marklift
