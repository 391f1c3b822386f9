// The program-wide settings: plain values that live for the whole run, set
// from the settings file at the first activation of the main window and by
// the settings dialog, and read directly by every subsystem.
#pragma once

#include <string>
#include <vector>

namespace marklift {

struct ProgramSettings {
    std::string ProgramDir;  // the executable's directory, ending in a backslash
    // MARKLIFT.ini's full name, as settings_location.h chooses it at start.
    std::string SettingsFileName;
    std::string DataPath;   // ZOLT's data directory, ending in a backslash
    std::string PeriodDir;  // "DELVTP" + number + "\"
    int SelectedPeriod = -1;
    std::vector<std::string> PeriodChoices;
    std::string DateFilter;
    bool SearchTemporary = false;
    int FileFormat = 0;  // 0 Fixed, 1 Pipe, 2 Comma, 3 Tab
    bool IncludePlacementRecords = false;
    bool IncludeAssessmentRecords = false;
    bool IncludeScoreRecords = false;
    bool IncludePurposeAndAccommodation = false;
    bool IncludeAttempted = false;
    bool IncludeSubscores = false;
    bool IncludeSiteCode = false;
};

// The one instance, owned by the main window's unit for the whole run.
ProgramSettings& Settings();

}  // namespace marklift
