#include "core/periods/main_window_logic.h"

#include <optional>
#include <string>

#include "core/config/settings_keys.h"
#include "core/session/date_filter.h"
#include "core/session/shared_routines.h"
#include "platform/paths.h"

namespace marklift {
namespace {

namespace keys = settings_keys;

constexpr int kLastPeriod = 11;
// Periods from here on may be missing; the list then shows a placeholder.
constexpr int kFirstOptionalPeriod = 10;

int searchIndexFromFile(int stored) {
    if (stored > 1) return 1;
    if (stored < 0) return -1;
    return stored;
}

}  // namespace

StartupSettings ReadStartupSettings(const SettingsFile& file, const Clock& clock,
                                    ProgramSettings& settings) {
    StartupSettings startup;
    settings.DataPath = WithTrailingBackslash(file.read(keys::kZoltPath));
    startup.rememberedPeriod = file.read(keys::kZoltFrom);
    MainWindowChoices& choices = startup.choices;
    choices.searchIndex = searchIndexFromFile(file.read(keys::kSearch));
    choices.selectedDates = file.read(keys::kSelectedDates);
    settings.IncludePlacementRecords = file.read(keys::kIncludePlacementRecords);
    settings.IncludeAssessmentRecords = file.read(keys::kIncludeAssessmentRecords);
    settings.IncludeScoreRecords = file.read(keys::kIncludeScoreRecords);
    settings.IncludePurposeAndAccommodation = file.read(keys::kIncludePurposeAndAccommodation);
    settings.IncludeAttempted = file.read(keys::kIncludeAttempted);
    settings.IncludeSubscores = file.read(keys::kIncludeSubscores);
    settings.IncludeSiteCode = file.read(keys::kIncludeSiteCode);
    settings.FileFormat = file.read(keys::kFileFormat);
    if (choices.selectedDates) {
        const Date today = clock.now().date;
        std::optional<Date> begin = file.read(keys::kBeginDate, today);
        std::optional<Date> end = file.read(keys::kEndDate, today);
        choices.beginDate = begin && end ? *begin : today;
        choices.endDate = begin && end ? *end : today;
    }
    return startup;
}

bool SelectPeriodRow(int row, ProgramSettings& settings) {
    settings.SelectedPeriod = row;
    return row >= 0;
}

std::string PeriodDirForRow(int row) {
    return "DELVTP" + std::to_string(row + 1) + "\\";
}

TestingPeriods LoadTestingPeriods(const std::string& rememberedPeriod, int currentRow,
                                  UserInterface& ui, ProgramSettings& settings,
                                  const PeriodNameReader& readName) {
    ui.processEvents();
    TestingPeriods periods;
    std::vector<std::string> choices;
    for (int n = 1; n <= kLastPeriod; ++n) {
        const std::string number = std::to_string(n);
        const std::string directory = settings.DataPath + "DELVTP" + number + "\\";
        if (fileExists(directory + "TP.DBF")) {
            const std::string name = readName(directory, ui);
            periods.rows.push_back(number + ".  \t" + name);
            periods.numbers.push_back(number);
            choices.push_back(number + ". " + name);
        } else if (n == 1) {
            ui.showError("Path to ZOLT is not set.");
            break;
        } else if (n < kFirstOptionalPeriod) {
            ui.showError("Not all ZOLT Testing Periods have been initialized.  Contact DELV.");
            break;
        } else {
            periods.rows.push_back(number + ".  Testing Period " + number);
        }
    }
    settings.PeriodChoices = std::move(choices);

    const int rowCount = static_cast<int>(periods.rows.size());
    periods.selectedRow = currentRow < rowCount ? currentRow : -1;
    // Row k always shows period k + 1, placeholder or not, so the remembered
    // number names its row directly; but only a period that was found is
    // selected: a placeholder's directory holds no period to build from.
    for (const std::string& number : periods.numbers) {
        if (rememberedPeriod == number) {
            const int row = std::stoi(number) - 1;
            periods.selectedRow = row;
            settings.PeriodDir = PeriodDirForRow(row);
            break;
        }
    }
    settings.SelectedPeriod = periods.selectedRow;
    ui.processEvents();
    return periods;
}

bool PrepareSearch(int selectedRow, const MainWindowChoices& choices, UserInterface& ui,
                   ProgramSettings& settings) {
    settings.PeriodDir = PeriodDirForRow(selectedRow);
    if (!choices.selectedDates) {
        settings.DateFilter.clear();
    } else {
        const std::string begin = choices.beginDate.toYyyymmdd();
        const std::string end = choices.endDate.toYyyymmdd();
        if (choices.beginDate.isZero() || choices.endDate.isZero()) {
            ui.showError("The selected dates must be entered.");
            return false;
        }
        if (begin > end) {
            ui.showError("The Begin Date cannot be later than the End Date.");
            return false;
        }
        settings.DateFilter = ComposeDateFilter(choices.beginDate, choices.endDate);
    }
    settings.SearchTemporary = choices.searchIndex == 0;
    return true;
}

std::string NothingFoundMessage(const std::string& dateFilter) {
    if (const auto range = DateFilterRange(dateFilter))
        return "No records were found from " + range->first.toShortText() + " to " +
               range->second.toShortText() + ".";
    return "No records were found.";
}

std::string NotADateMessage(const std::string& typed) {
    return "'" + typed + "' is not a valid date.";
}

void WriteShutdownSettings(SettingsFile& file, int selectedRow, const MainWindowChoices& choices) {
    if (selectedRow >= 0) file.write(keys::kZoltFrom, std::to_string(selectedRow + 1));
    file.write(keys::kSearch, choices.searchIndex);
    file.write(keys::kSelectedDates, choices.selectedDates);
    file.write(keys::kBeginDate, choices.beginDate);
    file.write(keys::kEndDate, choices.endDate);
}

}  // namespace marklift
