// TAutoPrepForm: the automatic preparation window. It prepares the upload
// file for every gathered record at once, or once a day in a chosen hour for
// as long as it stays open; the schedule itself lives in AutoPrepSchedule.
#pragma once

#include <QDialog>
#include <functional>
#include <string>

#include "core/config/clock.h"
#include "core/preparation/auto_prep_schedule.h"
#include "core/session/user_interface.h"
#include "core/upload/export_progress.h"
#include "core/worktable/build_progress.h"

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QTimer;
class QToolButton;

namespace marklift {

class TAutoPrepForm : public QDialog, private BuildProgress {
    Q_OBJECT

public:
    // Copies the main window's DateFilter into RunFilter. The clock drives
    // the schedule and the clock labels; `exportProgress` makes the writer's
    // progress display for each run (none when empty).
    TAutoPrepForm(UserInterface& ui, ExportProgressFactory exportProgress = {},
                  const Clock& clock = systemClock(), QWidget* parent = nullptr);

    const std::string& RunFilter() const { return schedule_.RunFilter(); }
    const AutoPrepSchedule& schedule() const { return schedule_; }

    // True once the user gave up opening a table during a run: the window
    // has closed and the caller ends the program.
    bool ProgramWasCancelled() const { return programCancelled_; }

    void done(int result) override;

protected:
    bool event(QEvent* event) override;

private:
    void FormActivate();
    void FormDeactivate();
    void ComboBox1Change(int selectedHour);
    void Edit2Change();
    void rgdateClick(int dateChoice);
    void SpeedButton1Click();
    void btnActivateClick();
    void btnExportClick();
    void Timer1Timer();
    void Timer2Timer();

    // The build and export of one run, for the schedule, with its line in
    // the run log.
    RunOutcome PrepareAndExport(const std::string& runFilter);
    int DateChoice() const;
    void SetDateChoice(int dateChoice);

    // Runs a handler; an error it lets out is shown by the general handler,
    // and the window then shows the schedule's state either way.
    // ProgramCancelled closes the window.
    template <typename Handler>
    void Handle(Handler handler);
    void Render();

    void setStatus(const std::string& text) override;
    void setRange(int minimum, int maximum) override;
    void setPosition(int position) override;

    QLabel* lblDate;
    QLabel* lblTime;
    QGroupBox* rgdate;
    QButtonGroup* rgdateItems;
    QGroupBox* GroupBox1;
    QComboBox* ComboBox1;
    QPushButton* btnActivate;
    QLabel* Label1;
    QLineEdit* Edit2;
    QToolButton* SpeedButton1;
    QPushButton* btnExport;
    QPushButton* btnClose;
    QStatusBar* StatusBar1;
    QProgressBar* ProgressBar1;
    QTimer* Timer1;
    QTimer* Timer2;

    UserInterface& ui_;
    const Clock& clock_;
    ExportProgressFactory exportProgress_;
    AutoPrepSchedule schedule_;
    std::string saveDialogFileName_ = "temp";
    // Deactivation writes the settings only after an activation, so closing
    // writes them once.
    bool activeWindow_ = false;
    bool programCancelled_ = false;
};

}  // namespace marklift
