#include "gui/auto_prep/auto_prep_form.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <exception>
#include <initializer_list>
#include <utility>

#include "core/config/program_settings.h"
#include "core/config/settings_file.h"
#include "core/config/settings_keys.h"
#include "core/preparation/run_log.h"
#include "core/preparation/unattended_run.h"
#include "core/session/error_handler.h"
#include "core/session/program_error.h"
#include "gui/widgets/qt_text.h"

namespace marklift {
namespace {

constexpr int kTimerInterval = 1000;
constexpr int kVisibleHourItems = 13;
constexpr int kDateChoices = 2;

constexpr char kSaveDialogTitle[] = "Save Banner Export File";
constexpr char kSaveDialogDirectory[] = "c:";
constexpr char kSaveDialogExtension[] = "asc";
constexpr char kSaveDialogFilter[] = "Text files (*.txt)|*.txt|All files (*.*)|*.*";

}  // namespace

TAutoPrepForm::TAutoPrepForm(UserInterface& ui, ExportProgressFactory exportProgress,
                             const Clock& clock, QWidget* parent)
    : QDialog(parent),
      ui_(ui),
      clock_(clock),
      exportProgress_(std::move(exportProgress)),
      schedule_(clock, Settings().DateFilter,
                [this](const std::string& runFilter) { return PrepareAndExport(runFilter); }) {
    setWindowTitle("Automatic File Preparation");
    setFixedSize(500, 262);

    lblDate = new QLabel(this);
    lblDate->setObjectName("lblDate");
    lblDate->setGeometry(12, 16, 190, 16);
    lblTime = new QLabel(this);
    lblTime->setObjectName("lblTime");
    lblTime->setGeometry(12, 40, 190, 16);

    rgdate = new QGroupBox("Set Date:", this);
    rgdate->setObjectName("rgdate");
    rgdate->setGeometry(200, 8, 288, 48);
    rgdateItems = new QButtonGroup(this);
    const char* dateItems[kDateChoices] = {"Current Date", "Date Selection"};
    for (int item = 0; item < kDateChoices; ++item) {
        auto* button = new QRadioButton(dateItems[item], rgdate);
        button->setGeometry(8 + item * 138, 22, 134, 18);
        rgdateItems->addButton(button, item);
    }
    rgdateItems->button(kCurrentDate)->setChecked(true);

    GroupBox1 = new QGroupBox("Set Time:", this);
    GroupBox1->setObjectName("GroupBox1");
    GroupBox1->setGeometry(200, 62, 288, 52);
    ComboBox1 = new QComboBox(GroupBox1);
    ComboBox1->setObjectName("ComboBox1");
    ComboBox1->setEditable(true);
    // Typed text stays typed text: it is never added to the list or
    // completed into an item.
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    ComboBox1->setCompleter(nullptr);
    for (const char* item : kHourItems) ComboBox1->addItem(item);
    ComboBox1->setMaxVisibleItems(kVisibleHourItems);
    ComboBox1->setCurrentIndex(-1);
    ComboBox1->setGeometry(10, 22, 268, 22);

    btnActivate = new QPushButton(kActivateCaption, this);
    btnActivate->setObjectName("btnActivate");
    btnActivate->setGeometry(12, 124, 476, 28);

    Label1 = new QLabel("File Name:", this);
    Label1->setObjectName("Label1");
    // The caption's own width, so no font cuts its colon.
    const int labelWidth = Label1->sizeHint().width();
    Label1->setGeometry(12, 164, labelWidth, 20);
    Edit2 = new QLineEdit(this);
    Edit2->setObjectName("Edit2");
    const int editLeft = 12 + labelWidth + 4;
    Edit2->setGeometry(editLeft, 162, 460 - editLeft, 24);
    SpeedButton1 = new QToolButton(this);
    SpeedButton1->setObjectName("SpeedButton1");
    SpeedButton1->setText("...");
    SpeedButton1->setGeometry(464, 162, 24, 24);

    btnExport = new QPushButton("&Prepare Export File", this);
    btnExport->setObjectName("btnExport");
    btnExport->setGeometry(12, 196, 200, 28);
    btnClose = new QPushButton("&Close", this);
    btnClose->setObjectName("btnClose");
    btnClose->setGeometry(388, 196, 100, 28);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName("StatusBar1");
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1->setGeometry(0, 236, 500, 26);
    ProgressBar1 = new QProgressBar(StatusBar1);
    ProgressBar1->setObjectName("ProgressBar1");
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setFixedWidth(150);
    StatusBar1->addPermanentWidget(ProgressBar1);

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(kTimerInterval);
    Timer2 = new QTimer(this);
    Timer2->setObjectName("Timer2");
    Timer2->setInterval(kTimerInterval);

    connect(ComboBox1, &QComboBox::activated, this, [this](int index) { ComboBox1Change(index); });
    connect(ComboBox1->lineEdit(), &QLineEdit::textEdited, this, [this] { ComboBox1Change(-1); });
    connect(Edit2, &QLineEdit::textChanged, this, &TAutoPrepForm::Edit2Change);
    connect(rgdateItems, &QButtonGroup::idClicked, this, &TAutoPrepForm::rgdateClick);
    connect(SpeedButton1, &QToolButton::clicked, this, &TAutoPrepForm::SpeedButton1Click);
    connect(btnActivate, &QPushButton::clicked, this, &TAutoPrepForm::btnActivateClick);
    connect(btnExport, &QPushButton::clicked, this, &TAutoPrepForm::btnExportClick);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::close);
    connect(Timer1, &QTimer::timeout, this, &TAutoPrepForm::Timer1Timer);
    connect(Timer2, &QTimer::timeout, this, &TAutoPrepForm::Timer2Timer);

    Render();
    Timer2->start();
}

void TAutoPrepForm::done(int result) {
    // The last deactivation is the close itself, whatever the window system
    // reports about activation afterwards. A run the user gave up ends the
    // program without writing more.
    activeWindow_ = false;
    if (!programCancelled_) Handle([this] { FormDeactivate(); });
    QDialog::done(result);
}

bool TAutoPrepForm::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) {
        activeWindow_ = true;
        Handle([this] { FormActivate(); });
    } else if (event->type() == QEvent::WindowDeactivate && activeWindow_) {
        activeWindow_ = false;
        Handle([this] { FormDeactivate(); });
    }
    return QDialog::event(event);
}

void TAutoPrepForm::FormActivate() {
    const SettingsFile file = ProgramSettingsFile(Settings());
    const std::string fileName = file.read(settings_keys::kAutoExportFilename);
    const int hour = file.read(settings_keys::kAutoExportTime);
    const int dateChoice = file.read(settings_keys::kAutoExportDate);

    // The handlers of the user's changes stay out of this: the buttons follow
    // the selected index here, not the texts.
    {
        const QSignalBlocker blockEdit(Edit2);
        const QSignalBlocker blockCombo(ComboBox1);
        Edit2->setText(toQString(fileName));
        ComboBox1->setCurrentIndex(hour >= 0 && hour < ComboBox1->count() ? hour : -1);
        if (ComboBox1->currentIndex() < 0) ComboBox1->setEditText("");
    }
    saveDialogFileName_ = fileName;
    SetDateChoice(dateChoice);
    schedule_.FormActivate(ComboBox1->currentIndex(), fileName, DateChoice());
}

void TAutoPrepForm::FormDeactivate() {
    SettingsFile file = ProgramSettingsFile(Settings());
    file.write(settings_keys::kAutoExportFilename, fromQString(Edit2->text()));
    file.write(settings_keys::kAutoExportTime, schedule_.selectedHour());
    file.write(settings_keys::kAutoExportDate, DateChoice());
}

void TAutoPrepForm::ComboBox1Change(int selectedHour) {
    Handle([&] { schedule_.ComboBox1Change(selectedHour, fromQString(ComboBox1->currentText())); });
}

void TAutoPrepForm::Edit2Change() {
    Handle([this] { schedule_.Edit2Change(fromQString(Edit2->text())); });
}

void TAutoPrepForm::rgdateClick(int dateChoice) {
    Handle([&] { schedule_.rgdateClick(dateChoice); });
}

void TAutoPrepForm::SpeedButton1Click() {
    Handle([this] {
        const std::string chosen =
            ui_.chooseSaveFile({kSaveDialogTitle, kSaveDialogDirectory, saveDialogFileName_,
                                kSaveDialogExtension, kSaveDialogFilter});
        if (chosen.empty()) return;
        // The dialog remembers its last choice, as a file dialog does.
        saveDialogFileName_ = chosen;
        Edit2->setText(toQString(chosen));
    });
}

void TAutoPrepForm::btnActivateClick() {
    Handle([this] { schedule_.btnActivateClick(); });
}

void TAutoPrepForm::btnExportClick() {
    Handle([this] { schedule_.btnExportClick(); });
}

void TAutoPrepForm::Timer1Timer() {
    Handle([this] { schedule_.Timer1Timer(); });
}

void TAutoPrepForm::Timer2Timer() {
    Handle([this] { schedule_.Timer2Timer(); });
}

RunOutcome TAutoPrepForm::PrepareAndExport(const std::string& runFilter) {
    const UnattendedRun run{kCallerWindow,
                            RunLogFileBeside(ProgramSettingsFile(Settings()).fileName()), clock_};
    const UnattendedResult result = RunUnattended(
        run, Settings(), runFilter, fromQString(Edit2->text()), ui_, *this, exportProgress_);
    return {result.outcome, result.runLogError};
}

int TAutoPrepForm::DateChoice() const {
    return rgdateItems->checkedId();
}

void TAutoPrepForm::SetDateChoice(int dateChoice) {
    if (QAbstractButton* item = rgdateItems->button(dateChoice)) {
        item->setChecked(true);
        return;
    }
    // A stored choice that is no item leaves neither chosen.
    rgdateItems->setExclusive(false);
    for (QAbstractButton* item : rgdateItems->buttons()) item->setChecked(false);
    rgdateItems->setExclusive(true);
}

template <typename Handler>
void TAutoPrepForm::Handle(Handler handler) {
    try {
        handler();
    } catch (const ProgramCancelled&) {
        programCancelled_ = true;
        reject();
    } catch (const std::exception& error) {
        Render();
        ReportError(ui_, error);
    }
    Render();
}

void TAutoPrepForm::Render() {
    const AutoPrepView& view = schedule_.view();
    lblDate->setText(toQString(view.dateLabel));
    lblTime->setText(toQString(view.timeLabel));
    btnActivate->setText(toQString(view.activateCaption));
    btnActivate->setEnabled(view.activateEnabled);
    btnExport->setEnabled(view.exportEnabled);
    const std::initializer_list<QWidget*> settingsControls = {btnClose, ComboBox1, GroupBox1,
                                                              rgdate,   Edit2,     SpeedButton1};
    for (QWidget* control : settingsControls) control->setEnabled(view.settingsEnabled);
    if (StatusBar1->currentMessage() != toQString(view.status))
        StatusBar1->showMessage(toQString(view.status));
    if (view.hourCheckOn && !Timer1->isActive()) Timer1->start();
    if (!view.hourCheckOn) Timer1->stop();
}

void TAutoPrepForm::setStatus(const std::string& text) {
    schedule_.ShowStatus(text);
    Render();
    StatusBar1->repaint();
}

void TAutoPrepForm::setRange(int minimum, int maximum) {
    ProgressBar1->setRange(minimum, maximum);
}

void TAutoPrepForm::setPosition(int position) {
    ProgressBar1->setValue(position);
}

}  // namespace marklift
