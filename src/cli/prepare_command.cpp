#include "cli/prepare_command.h"

#include <algorithm>
#include <charconv>
#include <ostream>

#include "core/config/settings_file.h"
#include "core/config/settings_location.h"
#include "core/periods/main_window_logic.h"
#include "core/preparation/run_log.h"
#include "core/preparation/unattended_run.h"
#include "core/session/application.h"
#include "core/session/console_user_interface.h"
#include "core/session/date_filter.h"
#include "core/session/program_error.h"
#include "core/session/shared_routines.h"
#include "core/worktable/build_progress.h"
#include "platform/paths.h"

namespace marklift {

const char kPrepareUsage[] =
    "usage: marklift-prepare [--ini FILE] [--data DIR] [--period N] [--search temporary|master]\n"
    "                        [--dates all|today|YYYYMMDD-YYYYMMDD] [--format "
    "fixed|pipe|comma|tab]\n"
    "                        [--records LIST] [--fields LIST] [--out FILE]\n"
    "       marklift-prepare --format-report FILE.pdf [--ini FILE] [--format ...] [--fields ...]\n"
    "       marklift-prepare --help | --version\n"
    "  --ini:     the settings file; without it, the one Marklift's window uses\n"
    "  --records: comma list of placement,assessment,score\n"
    "  --fields:  comma list of attempted,subscores,panda,sitecode, or none (or \"\")\n";

namespace {

constexpr char kPrefix[] = "marklift-prepare: ";
constexpr int kLastPeriod = 11;

std::vector<std::string> SplitList(const std::string& text) {
    std::vector<std::string> items;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        items.push_back(text.substr(start, comma - start));
        if (comma == std::string::npos) return items;
        start = comma + 1;
    }
}

std::optional<int> ParsePeriod(const std::string& text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 1 ||
        value > kLastPeriod)
        return std::nullopt;
    return value;
}

// One of `names`, by its place in the list.
int Choose(const std::string& option, const std::string& value,
           const std::vector<std::string>& names) {
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i] == value) return static_cast<int>(i);
    throw UsageError("unknown value \"" + value + "\" for " + option);
}

// The items of a comma list, each one of `names`, as flags in that order.
std::vector<bool> Flags(const std::string& option, const std::vector<std::string>& items,
                        const std::vector<std::string>& names) {
    std::vector<bool> flags(names.size(), false);
    for (const std::string& item : items) flags[Choose(option, item, names)] = true;
    return flags;
}

const std::vector<std::string> kOptions = {"--ini",   "--data",         "--period",  "--search",
                                           "--dates", "--format",       "--records", "--fields",
                                           "--out",   "--format-report"};
const std::vector<std::string> kRecordKinds = {"placement", "assessment", "score"};
const std::vector<std::string> kFieldKinds = {"attempted", "subscores", "panda", "sitecode"};

PrepareOptions::DateChoice ParseDates(const std::string& text) {
    if (text == "all") return {PrepareOptions::DateChoice::All};
    if (text == "today") return {PrepareOptions::DateChoice::Today};
    const std::size_t dash = text.find('-');
    if (dash != std::string::npos) {
        const auto begin = Date::fromYyyymmdd(text.substr(0, dash));
        const auto end = Date::fromYyyymmdd(text.substr(dash + 1));
        if (begin && end && text.size() == 17) {
            if (*end < *begin)
                throw UsageError("the date range " + text + " ends before it begins");
            return {PrepareOptions::DateChoice::Range, *begin, *end};
        }
    }
    throw UsageError("--dates takes all, today or YYYYMMDD-YYYYMMDD, not \"" + text + "\"");
}

std::string DateFilterFor(const PrepareOptions::DateChoice& choice, Date today) {
    switch (choice.kind) {
        case PrepareOptions::DateChoice::All:
            return {};
        case PrepareOptions::DateChoice::Today:
            return ComposeDateFilter(today, today);
        case PrepareOptions::DateChoice::Range:
            return ComposeDateFilter(choice.begin, choice.end);
    }
    return {};
}

// A build's status changes as lines; the final empty status says nothing.
class StatusLines : public BuildProgress {
public:
    explicit StatusLines(std::ostream& out) : out_(out) {}
    void setStatus(const std::string& text) override {
        if (!text.empty()) out_ << kPrefix << text << '\n';
    }
    void setRange(int, int) override {}
    void setPosition(int) override {}

private:
    std::ostream& out_;
};

}  // namespace

PrepareOptions ParsePrepareOptions(const std::vector<std::string>& arguments) {
    PrepareOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string option = arguments[i];
        std::string value;
        if (const std::size_t equals = option.find('='); equals != std::string::npos) {
            value = option.substr(equals + 1);
            option.erase(equals);
        } else if (std::find(kOptions.begin(), kOptions.end(), option) == kOptions.end()) {
            throw UsageError(option.starts_with("-") ? "unknown option \"" + option + "\""
                                                     : "unexpected argument \"" + option + "\"");
        } else if (i + 1 < arguments.size()) {
            value = arguments[++i];
        } else {
            throw UsageError(option + " needs a value");
        }
        if (option == "--ini") {
            options.iniFile = value;
        } else if (option == "--data") {
            options.dataPath = value;
        } else if (option == "--period") {
            options.period = ParsePeriod(value);
            if (!options.period) throw UsageError("--period takes a number from 1 to 11");
        } else if (option == "--search") {
            options.searchTemporary = Choose(option, value, {"temporary", "master"}) == 0;
        } else if (option == "--dates") {
            options.dates = ParseDates(value);
        } else if (option == "--format") {
            options.fileFormat = Choose(option, value, {"fixed", "pipe", "comma", "tab"});
        } else if (option == "--records") {
            options.records = Flags(option, SplitList(value), kRecordKinds);
        } else if (option == "--fields") {
            // An empty list names no field, as "none" does.
            options.fields = value == "none" || value.empty()
                                 ? std::vector<bool>(kFieldKinds.size(), false)
                                 : Flags(option, SplitList(value), kFieldKinds);
        } else if (option == "--out") {
            options.outputFile = value;
        } else if (option == "--format-report") {
            options.formatReport = value;
        } else {
            throw UsageError("unknown option \"" + option + "\"");
        }
    }
    return options;
}

PrepareRun ResolvePrepareRun(const PrepareOptions& options, const std::string& programDir,
                             const Clock& clock) {
    namespace keys = settings_keys;
    const SettingsFile file(LocateSettingsFile(options.iniFile, programDir));
    PrepareRun run;
    run.settingsFile = file.fileName();
    ProgramSettings& settings = run.settings;
    settings.ProgramDir = programDir;
    settings.SettingsFileName = file.fileName();
    const StartupSettings stored = ReadStartupSettings(file, clock, settings);

    if (options.dataPath) settings.DataPath = WithTrailingBackslash(*options.dataPath);
    const std::optional<int> period =
        options.period ? options.period : ParsePeriod(stored.rememberedPeriod);
    if (!period)
        throw MarkliftError("no testing period: give --period or set \"ZOLT From\" in " +
                            file.fileName());
    settings.SelectedPeriod = *period - 1;
    settings.PeriodDir = PeriodDirForRow(settings.SelectedPeriod);
    settings.SearchTemporary = options.searchTemporary.value_or(stored.choices.searchIndex == 0);
    if (options.fileFormat) settings.FileFormat = *options.fileFormat;
    if (options.records) {
        settings.IncludePlacementRecords = (*options.records)[0];
        settings.IncludeAssessmentRecords = (*options.records)[1];
        settings.IncludeScoreRecords = (*options.records)[2];
    }
    if (options.fields) {
        settings.IncludeAttempted = (*options.fields)[0];
        settings.IncludeSubscores = (*options.fields)[1];
        settings.IncludePurposeAndAccommodation = (*options.fields)[2];
        settings.IncludeSiteCode = (*options.fields)[3];
    }

    // Without --dates, the automatic preparation's own choice: today, or the
    // main window's range (all dates unless Selected Dates is on).
    const Date today = clock.now().date;
    if (options.dates)
        run.dateFilter = DateFilterFor(*options.dates, today);
    else if (file.read(keys::kAutoExportDate) == 0)
        run.dateFilter = ComposeDateFilter(today, today);
    else if (stored.choices.selectedDates)
        run.dateFilter = ComposeDateFilter(stored.choices.beginDate, stored.choices.endDate);

    run.outputFile = options.outputFile.value_or(file.read(keys::kAutoExportFilename));
    if (run.outputFile.empty())
        throw MarkliftError("no output file: give --out or set \"Filename\" in [" +
                            std::string(keys::kZoltAutoExport) + "] of " + file.fileName());
    return run;
}

namespace {

// The layout the settings (and the options over them) give, as the settings
// dialog shows it: a stored type above 3 is Tab Delimited.
void WriteFormatReport(const PrepareOptions& options, const std::string& programDir,
                       const Clock& clock, const FormatReportWriter& writeReport) {
    if (!writeReport) throw MarkliftError("this build cannot write the format report");
    const SettingsFile file(LocateSettingsFile(options.iniFile, programDir));
    ProgramSettings settings;
    ReadStartupSettings(file, clock, settings);
    const int fileType = std::min(options.fileFormat.value_or(settings.FileFormat), 3);
    const std::vector<bool> fields = options.fields.value_or(
        std::vector<bool>{settings.IncludeAttempted, settings.IncludeSubscores,
                          settings.IncludePurposeAndAccommodation, settings.IncludeSiteCode});
    writeReport(*options.formatReport, fileType < 0 ? -1 : fileType, fields[0], fields[1],
                fields[2], fields[3]);
}

}  // namespace

int RunPrepareCommand(const std::vector<std::string>& arguments, const std::string& programDir,
                      const Clock& clock, std::ostream& out, std::ostream& err,
                      const FormatReportWriter& writeReport) {
    if (arguments.size() == 1 && (arguments[0] == "--help" || arguments[0] == "-h")) {
        out << kPrepareUsage;
        return kExitWritten;
    }
    if (arguments.size() == 1 && arguments[0] == "--version") {
        out << VersionLine("marklift-prepare") << '\n';
        return kExitWritten;
    }
    ConsoleUserInterface ui(err, kPrefix);
    try {
        const PrepareOptions options = ParsePrepareOptions(arguments);
        if (options.formatReport) {
            WriteFormatReport(options, programDir, clock, writeReport);
            out << nativePath(*options.formatReport) << "\n";
            return kExitWritten;
        }
        const PrepareRun run = ResolvePrepareRun(options, programDir, clock);
        StatusLines status(err);
        const UnattendedRun unattended{kCallerCommand, RunLogFileBeside(run.settingsFile), clock};
        const UnattendedResult result =
            RunUnattended(unattended, run.settings, run.dateFilter, run.outputFile, ui, status);
        // The upload file's fate decides the exit status; a run log that
        // missed the line is said beside it.
        if (!result.runLogError.empty()) err << kPrefix << result.runLogError << '\n';
        switch (result.outcome) {
            case ExportOutcome::Written:
                out << nativePath(run.outputFile) << ": " << result.records << " records\n";
                return kExitWritten;
            case ExportOutcome::WriterFailed:
                err << kPrefix << "cannot write " << nativePath(run.outputFile) << '\n';
                return kExitFailed;
            case ExportOutcome::NothingSelected:
                err << kPrefix << kNothingSelectedMessage << '\n';
                return kExitNothingSelected;
        }
        return kExitFailed;
    } catch (const UsageError& e) {
        err << kPrefix << e.what() << '\n' << kPrepareUsage;
        return kExitUsage;
    } catch (const ProgramCancelled&) {
        // A table would not open; the console has said which failure made
        // it give up where a person would have been asked to retry.
        return kExitFailed;
    } catch (const std::exception& e) {
        err << kPrefix << OneLine(e.what()) << '\n';
        return kExitFailed;
    }
}

}  // namespace marklift
