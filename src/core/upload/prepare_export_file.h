// PrepareExportFile: the selected work-table records become the upload
// file. Rebuilds BANNEREX from them in selection order, has the writer write
// it in the chosen file type and tells the user how it went.
#pragma once

#include <string>
#include <vector>

#include "tables/xbase_table.h"

namespace marklift {

struct ProgramSettings;
class TCSVExport;
class UserInterface;

// The selection window's progress bar.
class ProgressBarSink {
public:
    virtual ~ProgressBarSink() = default;
    virtual void SetRange(int minimum, int maximum) = 0;
    virtual void SetPosition(int position) = 0;
};

enum class ExportOutcome { Written, WriterFailed, NothingSelected };

inline constexpr char kExportWrittenMessage[] = "Export File has been successfully prepared.";
inline constexpr char kExportFailedMessage[] = "Export File has been not prepared.";
inline constexpr char kNothingSelectedMessage[] =
    "No data in date range.  Export File was not prepared.";

// The part of the record selection window an export works on.
struct ExportWindowState {
    XbaseTable& workTable;                   // XbTable1: BANTABLE, open
    const std::vector<Bookmark>& selection;  // in selection order
    XbaseTable& uploadTable;                 // XbTable6: BANNEREX
    TCSVExport& writer;                      // CSVExport1, its DataSet `uploadTable`
    ProgressBarSink& progressBar;            // ProgressBar1
    bool automaticMode = false;              // no message box; write AutomaticFileName
    std::string automaticFileName;
    std::string fileNameBoxText;  // Edit1
};

// Shows the outcome's message unless in automatic mode; a file named without
// its full path is named in full on the message's second line. An engine error, or a
// write error once the upload file is open, passes to the caller with the
// upload file left as it was; ProgramCancelled when the user gives up opening
// BANNEREX. BANNEREX is closed and the busy cursor ends on every way out.
ExportOutcome PrepareExportFile(const ExportWindowState& window, const ProgramSettings& settings,
                                UserInterface& ui);

}  // namespace marklift
