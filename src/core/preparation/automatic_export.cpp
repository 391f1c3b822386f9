#include "core/preparation/automatic_export.h"

#include "core/session/table_scope.h"
#include "core/upload/csv_export.h"
#include "core/upload/record_selection.h"
#include "core/upload/upload_record.h"
#include "core/worktable/work_table_builder.h"

namespace marklift {
namespace {

// A progress bar nobody sees: the hidden selection window's.
class HiddenProgressBar : public ProgressBarSink {
public:
    void SetRange(int, int) override {}
    void SetPosition(int) override {}
};

}  // namespace

AutomaticExportResult RunAutomaticExport(const ProgramSettings& settings, UserInterface& ui,
                                         const std::string& fileName,
                                         const ExportProgressFactory& progress) {
    XbaseTable workTable;
    OpenWorkTableInRecordOrder(workTable, settings, ui);
    CloseOnExit closeWorkTable(workTable);
    RecordSelection selection(workTable.RecordCount());
    // What Select All in the window takes, in the window's first order.
    selection.SelectAllIn(workTable, SelectionOrder::Id);

    XbaseTable uploadTable;
    TCSVExport writer;
    DefineUploadWriter(writer, uploadTable);
    writer.SetProgressFactory(progress);
    HiddenProgressBar progressBar;
    const ExportWindowState window{.workTable = workTable,
                                   .selection = selection.bookmarks(),
                                   .uploadTable = uploadTable,
                                   .writer = writer,
                                   .progressBar = progressBar,
                                   .automaticMode = true,
                                   .automaticFileName = fileName,
                                   .fileNameBoxText = {}};
    const ExportOutcome outcome = PrepareExportFile(window, settings, ui);
    closeWorkTable.close();
    return {outcome, selection.SelectedCount()};
}

AutomaticExportResult PrepareUploadFile(const ProgramSettings& settings,
                                        const std::string& runFilter, const std::string& fileName,
                                        UserInterface& ui, BuildProgress& buildProgress,
                                        const ExportProgressFactory& exportProgress) {
    {
        WorkTableBuilder builder(ui, buildProgress);
        builder.BuildWorkTable(settings, runFilter);
    }
    return RunAutomaticExport(settings, ui, fileName, exportProgress);
}

}  // namespace marklift
