#include "core/config/settings_handoff.h"

#include <algorithm>

#include "core/config/settings_keys.h"
#include "core/session/shared_routines.h"
#include "platform/paths.h"

namespace marklift {
namespace {

namespace keys = settings_keys;

constexpr int kLastFileFormat = 3;

// Live file and backup, in the order they are copied.
struct CodeTableFile {
    const char* live;
    const char* backup;
};
constexpr CodeTableFile kCodeTableFiles[] = {{"BANPLACE.DBF", "BANPLACx.DBF"},
                                             {"BANPLACE.CDX", "BANPLACx.CDX"},
                                             {"BANTEST.DBF", "BANTESTx.DBF"},
                                             {"BANTEST.CDX", "BANTESTx.CDX"}};

}  // namespace

SettingsDialogValues DialogValuesFromSettings(const ProgramSettings& settings) {
    SettingsDialogValues values;
    values.directory = settings.DataPath;
    values.placement = settings.IncludePlacementRecords;
    values.assessment = settings.IncludeAssessmentRecords;
    values.scores = settings.IncludeScoreRecords;
    values.fileFormat =
        settings.FileFormat < 0 ? -1 : std::min(settings.FileFormat, kLastFileFormat);
    values.purposeAndAccommodation = settings.IncludePurposeAndAccommodation;
    values.attempted = settings.IncludeAttempted;
    values.subscores = settings.IncludeSubscores;
    values.siteCode = settings.IncludeSiteCode;
    return values;
}

void BackupCodeTables(const std::string& dataPath) {
    for (const CodeTableFile& file : kCodeTableFiles)
        if (fileExists(dataPath + file.live))
            copyFileReplacing(dataPath + file.live, dataPath + file.backup);
}

void RestoreCodeTables(const std::string& dataPath) {
    for (const CodeTableFile& file : kCodeTableFiles)
        if (fileExists(dataPath + file.backup))
            copyFileReplacing(dataPath + file.backup, dataPath + file.live);
    for (const CodeTableFile& file : kCodeTableFiles) deleteFile(dataPath + file.backup);
}

bool AcceptSettingsDialog(const SettingsDialogValues& values, ProgramSettings& settings,
                          SettingsFile& file, const std::function<void()>& rescan) {
    const bool directoryChanged = values.directory != settings.DataPath;
    if (directoryChanged) {
        settings.DataPath = WithTrailingBackslash(values.directory);
        rescan();
    }
    file.write(keys::kZoltPath, settings.DataPath);
    file.write(keys::kExportZoltPath, settings.DataPath);

    settings.IncludePlacementRecords = values.placement;
    settings.IncludeAssessmentRecords = values.assessment;
    settings.IncludeScoreRecords = values.scores;
    settings.FileFormat = values.fileFormat;
    settings.IncludePurposeAndAccommodation = values.purposeAndAccommodation;
    settings.IncludeAttempted = values.attempted;
    settings.IncludeSubscores = values.subscores;
    settings.IncludeSiteCode = values.siteCode;

    file.write(keys::kIncludePlacementRecords, settings.IncludePlacementRecords);
    file.write(keys::kIncludeAssessmentRecords, settings.IncludeAssessmentRecords);
    file.write(keys::kIncludeScoreRecords, settings.IncludeScoreRecords);
    file.write(keys::kFileFormat, settings.FileFormat);
    file.write(keys::kIncludePurposeAndAccommodation, settings.IncludePurposeAndAccommodation);
    file.write(keys::kIncludeAttempted, settings.IncludeAttempted);
    file.write(keys::kIncludeSubscores, settings.IncludeSubscores);
    file.write(keys::kIncludeSiteCode, settings.IncludeSiteCode);
    return directoryChanged;
}

bool RunSettingsHandOff(std::unique_ptr<SettingsDialog> dialog, ProgramSettings& settings,
                        SettingsFile& file, const std::function<void()>& rescan) {
    dialog->setValues(DialogValuesFromSettings(settings));
    // The dialog works on the tables of the directory it opened with, so
    // Cancel restores there even though nothing changes DataPath before.
    const std::string dataPath = settings.DataPath;
    BackupCodeTables(dataPath);
    if (dialog->execute()) return AcceptSettingsDialog(dialog->values(), settings, file, rescan);
    dialog.reset();
    RestoreCodeTables(dataPath);
    return false;
}

}  // namespace marklift
