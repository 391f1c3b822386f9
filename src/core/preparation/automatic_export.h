// The unattended road from a testing period to its upload file, shared by
// the automatic preparation window and marklift-prepare: the work table for
// a run's date filter, then every one of its records in the order by ID.
#pragma once

#include <cstdint>
#include <string>

#include "core/upload/export_progress.h"
#include "core/upload/prepare_export_file.h"

namespace marklift {

struct ProgramSettings;
class BuildProgress;
class UserInterface;

struct AutomaticExportResult {
    ExportOutcome outcome;
    std::uint32_t records;  // how many were selected and composed
};

// The unattended export: every record of BANTABLE in the order by ID goes
// to `fileName`, with no message box. `progress` is the writer's display
// (none when empty). Throws ProgramCancelled when the user gives up opening
// a table, and the engine's and writer's errors.
AutomaticExportResult RunAutomaticExport(const ProgramSettings& settings, UserInterface& ui,
                                         const std::string& fileName,
                                         const ExportProgressFactory& progress = {});

// Builds BANTABLE for `runFilter`, showing the build on `buildProgress`,
// then runs the unattended export to `fileName`. Throws as the two steps do.
AutomaticExportResult PrepareUploadFile(const ProgramSettings& settings,
                                        const std::string& runFilter, const std::string& fileName,
                                        UserInterface& ui, BuildProgress& buildProgress,
                                        const ExportProgressFactory& exportProgress = {});

}  // namespace marklift
