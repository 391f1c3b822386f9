// The main window's rules apart from its widgets: what the first activation
// reads from MARKLIFT.ini, the scan of ZOLT's testing periods, the checks
// Find and Auto Prepare share, and what closing the window writes back.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/config/clock.h"
#include "core/config/program_settings.h"
#include "core/config/settings_file.h"
#include "core/session/user_interface.h"
#include "tables/date.h"

namespace marklift {

// The main window's controls besides the period list. A date picker's value
// is a Date where the zero date (30 December 1899) stands for an empty
// picker: that is how an empty picker reads, and how it is stored.
struct MainWindowChoices {
    int searchIndex = 0;         // rgSearch: 0 Temporary, 1 Master, -1 neither
    bool selectedDates = false;  // rbSelectedDates checked (else rbAllDates)
    Date beginDate;              // edtBegDate; zero: empty
    Date endDate;                // edtEndDate; zero: empty
};

struct StartupSettings {
    std::string rememberedPeriod;  // "ZOLT From", empty when none was stored
    MainWindowChoices choices;
};

// The first activation's read of MARKLIFT.ini. Sets DataPath, the seven
// Include flags and FileFormat in `settings` and returns what the window's
// controls show. The pickers are read only when Selected Dates is on; a date
// that does not convert puts today into both.
StartupSettings ReadStartupSettings(const SettingsFile& file, const Clock& clock,
                                    ProgramSettings& settings);

// The selection rule: SelectedPeriod := `row` (-1 for none). Returns whether
// Find and Auto Prepare are enabled.
bool SelectPeriodRow(int row, ProgramSettings& settings);

// "DELVTP" + (row + 1) + "\": row k of the list is always period k + 1.
std::string PeriodDirForRow(int row);

// What the period list shows after a scan.
struct TestingPeriods {
    std::vector<std::string> rows;     // PeriodRows: "n.  \tNAME", or "10.  Testing Period 10"
    std::vector<std::string> numbers;  // PeriodNumbers: "n" for each period found
    int selectedRow = -1;              // the row to select now, -1 for none
};

// Opens `periodDirectory` + "TP" and returns TPName of its first record
// (empty for an empty table). Throws ProgramCancelled when the user gives up
// opening it.
std::string ReadPeriodName(const std::string& periodDirectory, UserInterface& ui);

using PeriodNameReader =
    std::function<std::string(const std::string& periodDirectory, UserInterface& ui)>;

// LoadTestingPeriods: scans periods 1..11 under settings.DataPath and sets
// settings.PeriodChoices. The row selected now (`currentRow`) stays selected
// when it still exists; the remembered period, when its row exists, is
// selected instead and sets SelectedPeriod and PeriodDir. Shows the scan's
// error messages; ProgramCancelled passes through.
TestingPeriods LoadTestingPeriods(const std::string& rememberedPeriod, int currentRow,
                                  UserInterface& ui, ProgramSettings& settings,
                                  const PeriodNameReader& readName = ReadPeriodName);

// The first steps Find and Auto Prepare share: PeriodDir, the date checks
// with their messages, DateFilter and SearchTemporary. False when a check
// failed and nothing more is to be done.
bool PrepareSearch(int selectedRow, const MainWindowChoices& choices, UserInterface& ui,
                   ProgramSettings& settings);

// What Find says when its build kept no record, for the date range of
// `dateFilter` or for all dates when it is empty.
std::string NothingFoundMessage(const std::string& dateFilter);

// What the main window says of a date picker's text that is no date.
std::string NotADateMessage(const std::string& typed);

// FormDestroy's writes, in order: "ZOLT From" (only when a row is selected),
// "Search", "Selected Dates", "Begin Date", "End Date". A failed write throws
// and leaves the later keys unwritten.
void WriteShutdownSettings(SettingsFile& file, int selectedRow, const MainWindowChoices& choices);

}  // namespace marklift
