// TMarkliftMainForm: the main window. It lists ZOLT's testing periods, holds
// the date and search choices, and hands Find, Auto Prepare and Settings on;
// its rules live in main_window_logic.h.
#pragma once

#include <QWidget>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/periods/main_window_logic.h"

class QCloseEvent;
class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QShowEvent;
class QStatusBar;

namespace marklift {

class Clock;
class SingleInstanceGuard;
class TDateEdit;
class TRadioGroup;
class TVirtualListBox;
class UserInterface;

class TMarkliftMainForm : public QWidget {
    Q_OBJECT

public:
    // `guard` is the program's single-instance guard; none in tests that
    // are not about it. `namedSettingsFile` is the settings file named on
    // the command line, if any (settings_location.h).
    TMarkliftMainForm(UserInterface& ui, const Clock& clock, SingleInstanceGuard* guard = nullptr,
                      std::optional<std::string> namedSettingsFile = std::nullopt,
                      QWidget* parent = nullptr);

    // Where Find, Auto Prepare and Settings go once their own checks have
    // passed: the work-table build with the record selection window, the
    // automatic preparation window, the settings dialog.
    using Action = std::function<void()>;
    void setFindAction(Action action) { findAction_ = std::move(action); }
    void setAutoPrepareAction(Action action) { autoPrepareAction_ = std::move(action); }
    void setSettingsAction(Action action) { settingsAction_ = std::move(action); }
    // How a period's name is read from its TP table.
    void setPeriodNameReader(PeriodNameReader reader) { readPeriodName_ = std::move(reader); }

    // Scans the testing periods and refills the list; ProgramCancelled and
    // errors reach the caller.
    void LoadTestingPeriods();
    // The date and search choices as the controls show them.
    MainWindowChoices choices() const;

    // Event handlers. Each shows an escaping error through the general
    // error handler; ProgramCancelled closes the window, which ends the run.
    void FormCreate();
    void FormActivate();  // the first activation; later calls do nothing
    std::string ListBox2GetItem(int row) const;
    void ListBox2Click();
    void rbAllDatesClick();
    void btnTodayClick();
    void btnFindClick();
    void btnAutoClick();
    void btnSettingsClick();
    void FormDestroy();  // when the window closes

    QLabel* Label4;
    QLabel* Label2;
    TVirtualListBox* ListBox2;
    TRadioGroup* rgSearch;
    QGroupBox* GroupBox1;
    QRadioButton* rbAllDates;
    QRadioButton* rbSelectedDates;
    QPushButton* btnToday;
    QLabel* lblBegDate;
    TDateEdit* edtBegDate;
    QLabel* lblEndDate;
    TDateEdit* edtEndDate;
    QPushButton* btnAuto;
    QPushButton* btnFind;
    QPushButton* btnSettings;
    QPushButton* CloselBtn;
    QStatusBar* StatusBar1;
    QLabel* lblVersion;
    QProgressBar* ProgressBar1;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    void layOutControls();
    void connectHandlers();
    void centreOnScreen();
    void runHandler(const std::function<void()>& work);
    // Says that `picker` holds no date and sends the user back to it.
    void RefuseDateText(TDateEdit* picker, const QString& text);
    // The pickers' texts are dates when the dates count.
    bool DatesReadable();
    void giveWayToFirstCopy();
    void endRun();

    UserInterface& ui_;
    const Clock& clock_;
    SingleInstanceGuard* guard_;
    std::optional<std::string> namedSettingsFile_;
    Action findAction_;
    Action autoPrepareAction_;
    Action settingsAction_;
    PeriodNameReader readPeriodName_ = ReadPeriodName;

    std::vector<std::string> PeriodRows;
    std::string RememberedPeriod;

    bool activationQueued_ = false;
    bool activated_ = false;
    bool endRequested_ = false;
    bool destroyed_ = false;
};

}  // namespace marklift
