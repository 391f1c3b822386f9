// What the main window's Settings button does around the settings dialog:
// fill it from the program-wide settings, copy the code tables' files aside,
// and on OK take the values back and store them; on Cancel put back the
// files and the program-wide settings the dialog changed at once.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "core/config/program_settings.h"
#include "core/config/settings_file.h"
#include "core/session/user_interface.h"

namespace marklift {

// The settings dialog's controls that the hand-off fills and reads back.
struct SettingsDialogValues {
    std::string directory;                 // Edit2
    bool placement = true;                 // chkPlacement
    bool assessment = true;                // chkAssessment
    bool scores = true;                    // chkScores
    int fileFormat = 0;                    // rgFileFormat's chosen item, -1 for none
    bool purposeAndAccommodation = false;  // chkPandA
    bool attempted = false;                // chkAttempt
    bool subscores = false;                // chkSubscores
    bool siteCode = false;                 // chkSiteCode

    bool operator==(const SettingsDialogValues&) const = default;
};

// What the hand-off needs of the dialog, so its order of work can be proved
// without windows. Destroying the dialog posts a pending grid edit and closes
// its code tables.
class SettingsDialog {
public:
    virtual ~SettingsDialog() = default;
    // Fills the controls; a file type other than the one shown runs the
    // dialog's file-type handler, which sets FileFormat at once.
    virtual void setValues(const SettingsDialogValues& values) = 0;
    // The modal run: true when closed with OK. Throws ProgramCancelled when
    // the user gave up opening a table while it was open.
    virtual bool execute() = 0;
    virtual SettingsDialogValues values() const = 0;
};

// The dialog's values for the program-wide settings. The file type is
// limited to the dialog's items: above 3 shows the last, below 0 none.
SettingsDialogValues DialogValuesFromSettings(const ProgramSettings& settings);

// Copies BANPLACE.DBF/.CDX and BANTEST.DBF/.CDX of `dataPath`, those that
// exist, to BANPLACx and BANTESTx. Failures are not reported.
// OK: when the directory text differs from DataPath in any way, DataPath
// becomes it with a trailing backslash and `rescan` runs (before anything is
// written, so a cancelled scan stores nothing). Then both "ZOLT Path" keys,
// the values taken back into `settings`, and the eight "ZOLT Export" keys.
// Returns whether the periods were scanned again. A failed write throws
// and leaves the later keys unwritten.
bool AcceptSettingsDialog(const SettingsDialogValues& values, ProgramSettings& settings,
                          SettingsFile& file, const std::function<void()>& rescan);

// The whole Settings click around a freshly created `dialog`: fill, back up,
// run; on OK accept (the backups stay). Any other way out (Cancel, the close
// box, the user giving up a table open, which then passes on) discards the
// dialog first, so its tables are closed, then puts back the code tables
// and every program-wide setting as they were before the dialog was filled
// (its file-type handler sets FileFormat at once). The backups' failures
// are said through `ui`. Returns whether the periods were scanned again.
bool RunSettingsHandOff(std::unique_ptr<SettingsDialog> dialog, ProgramSettings& settings,
                        SettingsFile& file, const std::function<void()>& rescan, UserInterface& ui);

}  // namespace marklift
