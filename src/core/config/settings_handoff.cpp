#include "core/config/settings_handoff.h"

#include <algorithm>

#include "core/config/code_table_backup.h"
#include "core/config/settings_keys.h"
#include "core/session/shared_routines.h"

namespace marklift {
namespace {

namespace keys = settings_keys;

constexpr int kLastFileFormat = 3;

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
                        SettingsFile& file, const std::function<void()>& rescan,
                        UserInterface& ui) {
    const ProgramSettings before = settings;
    dialog->setValues(DialogValuesFromSettings(settings));
    // The dialog works on the tables of the directory it opened with, so
    // they are put back there even though nothing changes DataPath before.
    const CodeTableBackups backups = BackupCodeTables(settings.DataPath, ui);
    const auto undo = [&] {
        dialog.reset();
        settings = before;
        RestoreCodeTables(backups, ui);
    };
    bool accepted = false;
    try {
        accepted = dialog->execute();
    } catch (...) {
        undo();
        throw;
    }
    if (accepted) return AcceptSettingsDialog(dialog->values(), settings, file, rescan);
    undo();
    return false;
}

}  // namespace marklift
