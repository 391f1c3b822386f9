// One unattended run of the shared road, written down: the build and the
// export of PrepareUploadFile, then its line in the run log whichever way
// the run ended. The automatic preparation window and marklift-prepare both
// go this way.
#pragma once

#include <cstdint>
#include <string>

#include "core/preparation/automatic_export.h"

namespace marklift {

class Clock;

// Who runs and where the line goes.
struct UnattendedRun {
    std::string caller;      // as the run log names it: "Auto Prepare", "marklift-prepare"
    std::string runLogFile;  // a program path
    const Clock& clock;
};

struct UnattendedResult {
    ExportOutcome outcome;
    std::uint32_t records;    // written; 0 unless the outcome is Written
    std::string runLogError;  // why the run's line could not be written, or empty
};

inline constexpr char kCallerWindow[] = "Auto Prepare";
inline constexpr char kCallerCommand[] = "marklift-prepare";

// Works from a copy of `settings` taken now, so that nothing changed while
// the build lets window events through moves the run. The run's errors and
// ProgramCancelled pass to the caller once their line is in the log; a log
// that cannot be written then is not reported.
UnattendedResult RunUnattended(const UnattendedRun& run, const ProgramSettings& settings,
                               const std::string& runFilter, const std::string& fileName,
                               UserInterface& ui, BuildProgress& buildProgress,
                               const ExportProgressFactory& exportProgress = {});

}  // namespace marklift
