#include "core/preparation/unattended_run.h"

#include <exception>

#include "core/config/clock.h"
#include "core/config/program_settings.h"
#include "core/preparation/run_log.h"
#include "core/session/console_user_interface.h"
#include "core/session/program_error.h"
#include "platform/paths.h"

namespace marklift {
namespace {

std::string OutcomeText(ExportOutcome outcome) {
    switch (outcome) {
        case ExportOutcome::Written:
            return "prepared";
        case ExportOutcome::WriterFailed:
            return "not prepared: the file could not be written";
        case ExportOutcome::NothingSelected:
            return "not prepared: no data in date range";
    }
    return {};
}

}  // namespace

UnattendedResult RunUnattended(const UnattendedRun& run, const ProgramSettings& settings,
                               const std::string& runFilter, const std::string& fileName,
                               UserInterface& ui, BuildProgress& buildProgress,
                               const ExportProgressFactory& exportProgress) {
    const ProgramSettings runSettings = settings;
    const std::string filter = runFilter;
    RunLogEntry entry{.started = run.clock.now(),
                      .caller = run.caller,
                      .runFilter = filter,
                      .outcome = {},
                      .recordsWritten = 0,
                      .file = absoluteNativePath(fileName)};
    auto writeLine = [&] {
        AppendRunLogLine(run.runLogFile, FormatRunLogLine(entry, runSettings));
    };
    auto writeLineOfFailure = [&](const std::string& outcome) {
        entry.outcome = outcome;
        try {
            writeLine();
        } catch (const std::exception&) {
            // The run's own error is the news; it goes on to the caller.
        }
    };

    AutomaticExportResult result{};
    try {
        result =
            PrepareUploadFile(runSettings, filter, fileName, ui, buildProgress, exportProgress);
    } catch (const ProgramCancelled&) {
        writeLineOfFailure("failed: a table would not open");
        throw;
    } catch (const std::exception& error) {
        writeLineOfFailure("failed: " + OneLine(error.what()));
        throw;
    }

    const std::uint32_t written = result.outcome == ExportOutcome::Written ? result.records : 0;
    entry.outcome = OutcomeText(result.outcome);
    entry.recordsWritten = written;
    UnattendedResult unattended{result.outcome, written, {}};
    try {
        writeLine();
    } catch (const std::exception& error) {
        unattended.runLogError = error.what();
    }
    return unattended;
}

}  // namespace marklift
