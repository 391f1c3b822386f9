#include "core/upload/prepare_export_file.h"

#include <optional>
#include <span>

#include "core/config/program_settings.h"
#include "core/session/application.h"
#include "core/session/program_error.h"
#include "core/session/shared_routines.h"
#include "core/session/table_scope.h"
#include "core/session/user_interface.h"
#include "core/upload/csv_export.h"
#include "core/upload/upload_record.h"
#include "platform/paths.h"

namespace marklift {
namespace {

// Recreates BANNEREX, opened and with its ID tag, in the data directory.
void RecreateUploadTable(XbaseTable& uploadTable, const ProgramSettings& settings,
                         UserInterface& ui) {
    uploadTable.SetDatabaseName(settings.DataPath);
    uploadTable.SetTableName(kUploadTableName);
    uploadTable.SetTableType(TableType::ttCDX);
    // A tag list left from an earlier run must not outlive the new table.
    RecreateTable(settings.DataPath, kUploadTableName, UploadFieldDefinitions(settings));
    if (!OpenWithRetry(uploadTable, ui)) throw ProgramCancelled();
}

// Appends one upload record per selected work-table record, in selection
// order. False when the selection is empty.
bool ComposeUploadRecords(const ExportWindowState& window, const ProgramSettings& settings) {
    ControlsDisabled quietGrid(window.workTable);
    const std::span<const Bookmark> selection(window.selection);
    // The selection is in an order of the user's, not the file's: its
    // records are read ahead in file order, a share at a time.
    std::size_t readUpTo = 0;
    std::optional<UploadRecordFiller> filler;
    for (std::size_t i = 0; i < selection.size(); ++i) {
        window.progressBar.SetPosition(static_cast<int>(i));
        if (i == readUpTo) readUpTo = i + window.workTable.ReadAhead(selection.subspan(i));
        window.workTable.GotoBookmark(window.selection[i]);
        window.uploadTable.Append();
        if (!filler) filler.emplace(window.workTable, window.uploadTable, settings);
        filler->Fill(window.workTable, window.uploadTable);
        window.uploadTable.Post();
    }
    window.workTable.ReadAhead({});
    return !window.selection.empty();
}

ExportOutcome ComposeAndWrite(const ExportWindowState& window, const ProgramSettings& settings,
                              UserInterface& ui) {
    RecreateUploadTable(window.uploadTable, settings, ui);
    CloseOnExit closing(window.uploadTable);
    // No order is made active: the writer reads the records as appended.
    window.uploadTable.CreateIndex("ID", "ID");

    ExportOutcome outcome = ExportOutcome::NothingSelected;
    if (ComposeUploadRecords(window, settings)) {
        // The upload records are on the disk before the upload file is
        // begun: a disk that fills while they are stored ends the run with
        // the previous upload file as it was.
        window.uploadTable.Flush();
        ConfigureWriterForFileFormat(window.writer, settings.FileFormat);
        window.writer.SetOutputFile(window.automaticMode ? window.automaticFileName
                                                         : window.fileNameBoxText);
        outcome =
            window.writer.Execute() == -1 ? ExportOutcome::WriterFailed : ExportOutcome::Written;
    }
    closing.close();
    return outcome;
}

// A name given without its folder is written in the working folder, which
// the user may not know: the message then says where the file went.
std::string WrittenMessage(const std::string& fileName) {
    const std::string written = absoluteNativePath(fileName);
    if (written == nativePath(fileName)) return kExportWrittenMessage;
    return std::string(kExportWrittenMessage) + "\r\n" + written;
}

void ShowOutcome(ExportOutcome outcome, const std::string& fileName, UserInterface& ui) {
    switch (outcome) {
        case ExportOutcome::Written:
            ui.showInformation(kApplicationTitle, WrittenMessage(fileName));
            break;
        case ExportOutcome::WriterFailed:
            ui.showError(kExportFailedMessage);
            break;
        case ExportOutcome::NothingSelected:
            ui.showError(kNothingSelectedMessage);
            break;
    }
}

}  // namespace

ExportOutcome PrepareExportFile(const ExportWindowState& window, const ProgramSettings& settings,
                                UserInterface& ui) {
    ExportOutcome outcome;
    {
        BusyCursor busy(ui);
        ui.processEvents();
        window.progressBar.SetRange(0, static_cast<int>(window.selection.size()));
        window.progressBar.SetPosition(0);
        outcome = ComposeAndWrite(window, settings, ui);
        // After a failure the bar keeps its last position.
        window.progressBar.SetPosition(0);
    }
    if (!window.automaticMode) ShowOutcome(outcome, window.fileNameBoxText, ui);
    return outcome;
}

}  // namespace marklift
