// Every section and key of MARKLIFT.ini with its form and default, so the
// rest of the program reads and writes settings by these names only.
#pragma once

namespace marklift {

inline constexpr char kSettingsFileName[] = "MARKLIFT.ini";

struct StringKey {
    const char* section;
    const char* key;
    const char* defaultValue;
};

struct IntegerKey {
    const char* section;
    const char* key;
    int defaultValue;
};

struct BoolKey {
    const char* section;
    const char* key;
    bool defaultValue;
};

// Dates default to today, which only the reader knows.
struct DateKey {
    const char* section;
    const char* key;
};

namespace settings_keys {

inline constexpr char kDirectories[] = "Directories";
inline constexpr char kTestingPeriods[] = "Testing Periods";
inline constexpr char kZoltExport[] = "ZOLT Export";
inline constexpr char kZoltAutoExport[] = "ZOLT Auto Export";

inline constexpr StringKey kZoltPath{kDirectories, "ZOLT Path", "C:\\DELV\\"};

// Period number "1".."11" selected when the program last closed.
inline constexpr StringKey kZoltFrom{kTestingPeriods, "ZOLT From", ""};

// 0 Temporary, 1 Master, -1 neither.
inline constexpr IntegerKey kSearch{kZoltExport, "Search", 0};
inline constexpr BoolKey kSelectedDates{kZoltExport, "Selected Dates", false};
inline constexpr DateKey kBeginDate{kZoltExport, "Begin Date"};
inline constexpr DateKey kEndDate{kZoltExport, "End Date"};
inline constexpr BoolKey kIncludePlacementRecords{kZoltExport, "Include Placement Records", true};
inline constexpr BoolKey kIncludeAssessmentRecords{kZoltExport, "Include Assessment Records", true};
inline constexpr BoolKey kIncludeScoreRecords{kZoltExport, "Include Score Records", true};
inline constexpr BoolKey kIncludePurposeAndAccommodation{
    kZoltExport, "Include Purpose and Accommodation", false};
inline constexpr BoolKey kIncludeAttempted{kZoltExport, "Include Attempted", false};
inline constexpr BoolKey kIncludeSubscores{kZoltExport, "Include Subscores", false};
inline constexpr BoolKey kIncludeSiteCode{kZoltExport, "Include Site Code", false};
// 0 Fixed, 1 Pipe, 2 Comma, 3 Tab; taken as stored, not limited.
inline constexpr IntegerKey kFileFormat{kZoltExport, "File Format", 0};
// A second copy of the data directory for other tools; the program never reads it.
inline constexpr StringKey kExportZoltPath{kZoltExport, "ZOLT Path", ""};
// Upload file of the interactive export.
inline constexpr StringKey kExportFilename{kZoltExport, "Filename", ""};

// Upload file of the automatic export.
inline constexpr StringKey kAutoExportFilename{kZoltAutoExport, "Filename", ""};
// Chosen hour 0..23, -1 for none.
inline constexpr IntegerKey kAutoExportTime{kZoltAutoExport, "Time", -1};
// 0 Current Date, 1 Date Selection.
inline constexpr IntegerKey kAutoExportDate{kZoltAutoExport, "Date", 0};

}  // namespace settings_keys
}  // namespace marklift
