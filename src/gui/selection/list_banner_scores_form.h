// TListBannerScoresForm, "Select Records": the work table in a grid that
// the user orders, searches and picks records from, and the upload file's
// name; Export writes the picked records in the order they were picked. Its
// rules live in record_selection.h.
#pragma once

#include <QDialog>
#include <array>
#include <memory>
#include <string>

#include "core/upload/csv_export.h"
#include "core/upload/prepare_export_file.h"
#include "core/upload/record_selection.h"
#include "tables/xbase_table.h"

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace marklift {

struct ProgramSettings;
class TIncrementalSearch;
class TSelectionGrid;
class UserInterface;
class WorkTableModel;

class TListBannerScoresForm : public QDialog {
    Q_OBJECT

public:
    // Creation opens BANTABLE in the order by ID (FormCreate). Throws
    // ProgramCancelled when the user gives up opening it, and the engine's
    // errors.
    TListBannerScoresForm(const ProgramSettings& settings, UserInterface& ui,
                          QWidget* parent = nullptr);
    ~TListBannerScoresForm() override;

    // True once the user gave up opening a table during an export: the
    // window has closed and the caller ends the program.
    bool ProgramWasCancelled() const { return programCancelled_; }

    const RecordSelection& Selection() const { return selection_; }
    QString StatusText() const;

    // Event handlers.
    void FormActivate();
    void btnAllClick();
    void btnNoneClick();
    // A click on `row` in the grid, with Ctrl (pick or drop one record),
    // Shift (add the rows from the last click) or neither (that row alone).
    void DBGrid1MouseSelect(int row, Qt::KeyboardModifiers modifiers);
    void RadioButton1Click(int tag);
    void SpeedButton1Click();
    void Edit1Change();
    void IncrementalSearch1Change(const QString& key);
    void btnExportClick();
    ExportOutcome PrepareExportFile();

    // Named as the window names them, for the program and its tests.
    TSelectionGrid* DBGrid1;
    WorkTableModel& DBGrid1Model() const { return *model_; }
    TIncrementalSearch* IncrementalSearch1;
    std::array<QToolButton*, 6> NavigatorButtons;
    QToolButton* btnAll;
    QToolButton* btnNone;
    std::array<QRadioButton*, 4> RadioButtons;  // tags 1..4
    QLineEdit* Edit1;
    QToolButton* SpeedButton1;
    QPushButton* btnExport;
    QPushButton* btnCancel;
    QLabel* StatusLine;
    QProgressBar* ProgressBar1;

protected:
    bool event(QEvent* event) override;
    // FormClose: every way of closing passes here.
    void done(int result) override;

private:
    class ProgressBarAdapter;

    void FormCreate();
    void CreateControls();
    void CreateNavigator();
    void ConnectHandlers();
    void SizeColumns();
    void UpdateSelectionDisplay();
    void ShowCurrentRow(int row);
    // Runs a handler, showing its error; ProgramCancelled closes the window.
    template <typename Action>
    void Guarded(Action action);

    const ProgramSettings& settings_;
    UserInterface& ui_;
    XbaseTable XbTable1;  // BANTABLE
    XbaseTable XbTable6;  // BANNEREX
    TCSVExport CSVExport1;
    RecordSelection selection_;
    // Before the tables go: it stops listening to BANTABLE when destroyed.
    std::unique_ptr<WorkTableModel> model_;
    std::string saveDialogFileName_;
    int lastClickedRow_ = -1;
    bool programCancelled_ = false;
    std::unique_ptr<ProgressBarAdapter> progressBar_;
};

}  // namespace marklift
