// The main window: its controls, their layout, and handlers that read the
// controls, call the main window's rules and show the outcome.
#include "gui/main_window/marklift_main_form.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QVBoxLayout>

#include "core/config/clock.h"
#include "core/config/program_settings.h"
#include "core/config/settings_file.h"
#include "core/config/settings_location.h"
#include "core/session/application.h"
#include "core/session/error_handler.h"
#include "core/session/program_error.h"
#include "gui/main_window/single_instance.h"
#include "gui/widgets/date_edit.h"
#include "gui/widgets/qt_text.h"
#include "gui/widgets/radio_group.h"
#include "gui/widgets/virtual_list_box.h"
#include "gui/widgets/window_layout.h"
#include "platform/paths.h"

namespace marklift {
namespace {

// Where the period names start in the list, in dialog units.
constexpr int kPeriodNameTabStop = 30;

}  // namespace

TMarkliftMainForm::TMarkliftMainForm(UserInterface& ui, const Clock& clock,
                                     SingleInstanceGuard* guard,
                                     std::optional<std::string> namedSettingsFile, QWidget* parent)
    : QWidget(parent),
      ui_(ui),
      clock_(clock),
      guard_(guard),
      namedSettingsFile_(std::move(namedSettingsFile)) {
    createControls();
    layOutControls();
    connectHandlers();
    // The date controls follow the date choice from the start.
    rbAllDatesClick();
    if (guard_) guard_->setWindow(this);
    FormCreate();
    centreOnScreen();
}

void TMarkliftMainForm::createControls() {
    Label4 = new QLabel(QStringLiteral("ZOLT"), this);
    QFont logo = Label4->font();
    logo.setBold(true);
    logo.setPointSizeF(logo.pointSizeF() * 1.6);
    Label4->setFont(logo);
    Label2 = new QLabel(QStringLiteral("Testing Periods:"), this);
    ListBox2 = new TVirtualListBox(this);
    ListBox2->setItemSource([this](int row) { return toQString(ListBox2GetItem(row)); });
    ListBox2->setTabStop(kPeriodNameTabStop);
    ListBox2->setMinimumSize(280, 220);

    rgSearch = new TRadioGroup(QStringLiteral("&Search"),
                               {QStringLiteral("Temporary"), QStringLiteral("Master")}, this);
    rgSearch->setItemIndex(0);

    GroupBox1 = new QGroupBox(QStringLiteral("Date Selection:"), this);
    rbAllDates = new QRadioButton(QStringLiteral("All Dates"), GroupBox1);
    rbAllDates->setChecked(true);
    rbSelectedDates = new QRadioButton(QStringLiteral("Selected Dates"), GroupBox1);
    btnToday = new QPushButton(QStringLiteral("&Today"), GroupBox1);
    lblBegDate = new QLabel(QStringLiteral("&Begin Date:"), GroupBox1);
    edtBegDate = new TDateEdit(GroupBox1);
    lblBegDate->setBuddy(edtBegDate);
    lblEndDate = new QLabel(QStringLiteral("&End Date:"), GroupBox1);
    edtEndDate = new TDateEdit(GroupBox1);
    lblEndDate->setBuddy(edtEndDate);

    btnAuto = new QPushButton(QStringLiteral("&Auto Prepare"), this);
    btnAuto->setEnabled(false);
    btnFind = new QPushButton(QStringLiteral("&Find"), this);
    btnFind->setEnabled(false);
    btnSettings = new QPushButton(QStringLiteral("&Settings"), this);
    CloselBtn = new QPushButton(QStringLiteral("&Close"), this);

    StatusBar1 = new QStatusBar(this);
    // The version where anyone asked for it looks first; the window shows no
    // status messages that could cover it.
    lblVersion = new QLabel(QString::fromStdString(VersionLine(kApplicationName)), StatusBar1);
    lblVersion->setForegroundRole(QPalette::PlaceholderText);
    StatusBar1->addWidget(lblVersion);
    ProgressBar1 = new QProgressBar(StatusBar1);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    StatusBar1->addPermanentWidget(ProgressBar1);
}

void TMarkliftMainForm::layOutControls() {
    auto* periods = new QVBoxLayout;
    periods->addWidget(Label4);
    periods->addWidget(Label2);
    periods->addWidget(ListBox2, 1);

    auto* dates = new QGridLayout(GroupBox1);
    dates->addWidget(rbAllDates, 0, 0, 1, 2);
    dates->addWidget(rbSelectedDates, 1, 0, 1, 2);
    dates->addWidget(btnToday, 1, 2);
    dates->addWidget(lblBegDate, 2, 0);
    dates->addWidget(edtBegDate, 2, 1, 1, 2);
    dates->addWidget(lblEndDate, 3, 0);
    dates->addWidget(edtEndDate, 3, 1, 1, 2);

    auto* buttons = new QGridLayout;
    buttons->addWidget(btnAuto, 0, 0);
    buttons->addWidget(btnFind, 0, 1);
    buttons->addWidget(btnSettings, 1, 1);
    buttons->addWidget(CloselBtn, 2, 1);

    auto* choicesColumn = new QVBoxLayout;
    choicesColumn->addWidget(rgSearch);
    choicesColumn->addWidget(GroupBox1);
    choicesColumn->addStretch(1);
    choicesColumn->addLayout(buttons);

    auto* content = new QHBoxLayout;
    content->addLayout(periods, 1);
    content->addLayout(choicesColumn);

    auto* window = new QVBoxLayout(this);
    window->setContentsMargins(0, 0, 0, 0);
    window->setSpacing(0);
    auto* margins = new QWidget(this);
    margins->setLayout(content);
    window->addWidget(margins, 1);
    window->addWidget(StatusBar1);
}

void TMarkliftMainForm::connectHandlers() {
    connect(ListBox2, &TVirtualListBox::selectedRowChanged, this,
            &TMarkliftMainForm::ListBox2Click);
    // Either date button changes rbAllDates, by click, key or program.
    connect(rbAllDates, &QRadioButton::toggled, this, &TMarkliftMainForm::rbAllDatesClick);
    connect(btnToday, &QPushButton::clicked, this, &TMarkliftMainForm::btnTodayClick);
    for (TDateEdit* picker : {edtBegDate, edtEndDate})
        connect(picker, &TDateEdit::textRefused, this,
                [this, picker](const QString& text) { RefuseDateText(picker, text); });
    connect(btnFind, &QPushButton::clicked, this, &TMarkliftMainForm::btnFindClick);
    connect(btnAuto, &QPushButton::clicked, this, &TMarkliftMainForm::btnAutoClick);
    connect(btnSettings, &QPushButton::clicked, this, &TMarkliftMainForm::btnSettingsClick);
    connect(CloselBtn, &QPushButton::clicked, this, &QWidget::close);
}

void TMarkliftMainForm::centreOnScreen() {
    adjustSize();
    CentreOnScreen(*this);
}

void TMarkliftMainForm::runHandler(const std::function<void()>& work) {
    try {
        work();
    } catch (const ProgramCancelled&) {
        endRun();
    } catch (const std::exception& error) {
        ReportError(ui_, error);
    }
}

// The run ends once control is back in the event loop, through the same
// close (and shutdown writes) as the Close button.
void TMarkliftMainForm::endRun() {
    QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

void TMarkliftMainForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // The first activation runs from the event loop once the window is up,
    // whether or not a window manager activates it.
    if (!activationQueued_) {
        activationQueued_ = true;
        QMetaObject::invokeMethod(this, &TMarkliftMainForm::FormActivate, Qt::QueuedConnection);
    }
}

void TMarkliftMainForm::closeEvent(QCloseEvent* event) {
    FormDestroy();
    event->accept();
}

void TMarkliftMainForm::LoadTestingPeriods() {
    TestingPeriods periods = marklift::LoadTestingPeriods(RememberedPeriod, ListBox2->selectedRow(),
                                                          ui_, Settings(), readPeriodName_);
    PeriodRows = std::move(periods.rows);
    ListBox2->setCount(static_cast<int>(PeriodRows.size()));
    ListBox2->setSelectedRow(periods.selectedRow);
    ListBox2->viewport()->update();
    ui_.processEvents();
}

MainWindowChoices TMarkliftMainForm::choices() const {
    return {rgSearch->itemIndex(), rbSelectedDates->isChecked(), edtBegDate->date(),
            edtEndDate->date()};
}

void TMarkliftMainForm::FormCreate() {
    Settings().ProgramDir = executableDirectory();
    Settings().SettingsFileName = LocateSettingsFile(namedSettingsFile_, Settings().ProgramDir);
    MakeSettingsFolder(Settings().SettingsFileName);
    PeriodRows.clear();
    Settings().PeriodChoices.clear();
    setWindowTitle(QString::fromLatin1(kApplicationTitle));
}

void TMarkliftMainForm::FormActivate() {
    if (activated_) return;
    activated_ = true;
    runHandler([this] {
        if (guard_ && guard_->isSecondCopy()) giveWayToFirstCopy();
        const StartupSettings startup =
            ReadStartupSettings(ProgramSettingsFile(Settings()), clock_, Settings());
        RememberedPeriod = startup.rememberedPeriod;
        rgSearch->setItemIndex(startup.choices.searchIndex);
        if (startup.choices.selectedDates) {
            rbSelectedDates->setChecked(true);
            edtBegDate->setDate(startup.choices.beginDate);
            edtEndDate->setDate(startup.choices.endDate);
        }
        rbAllDatesClick();
        LoadTestingPeriods();
        ListBox2Click();
    });
    if (endRequested_) endRun();
}

// A second copy: out of sight at once, the first copy asked to come
// forward, and the run ends when this activation is over.
void TMarkliftMainForm::giveWayToFirstCopy() {
    const QRect screen = this->screen()->geometry();
    layout()->setSizeConstraint(QLayout::SetNoConstraint);
    setMinimumSize(0, 0);
    setGeometry(screen.width() + 1, screen.height() + 1, 0, 0);
    guard_->notifyFirstCopy();
    endRequested_ = true;
}

std::string TMarkliftMainForm::ListBox2GetItem(int row) const {
    if (row < 0 || row >= static_cast<int>(PeriodRows.size())) return {};
    return PeriodRows[static_cast<std::size_t>(row)];
}

void TMarkliftMainForm::ListBox2Click() {
    runHandler([this] {
        const bool periodChosen = SelectPeriodRow(ListBox2->selectedRow(), Settings());
        btnFind->setEnabled(periodChosen);
        btnAuto->setEnabled(periodChosen);
    });
}

void TMarkliftMainForm::rbAllDatesClick() {
    runHandler([this] {
        const bool datesChosen = !rbAllDates->isChecked();
        for (QWidget* control :
             {static_cast<QWidget*>(btnToday), static_cast<QWidget*>(edtBegDate),
              static_cast<QWidget*>(edtEndDate), static_cast<QWidget*>(lblBegDate),
              static_cast<QWidget*>(lblEndDate)})
            control->setEnabled(datesChosen);
    });
}

void TMarkliftMainForm::btnTodayClick() {
    runHandler([this] {
        const Date today = clock_.now().date;
        edtBegDate->setDate(today);
        edtEndDate->setDate(today);
    });
}

void TMarkliftMainForm::btnFindClick() {
    runHandler([this] {
        if (DatesReadable() && PrepareSearch(ListBox2->selectedRow(), choices(), ui_, Settings()) &&
            findAction_)
            findAction_();
    });
}

void TMarkliftMainForm::btnAutoClick() {
    runHandler([this] {
        if (DatesReadable() && PrepareSearch(ListBox2->selectedRow(), choices(), ui_, Settings()) &&
            autoPrepareAction_)
            autoPrepareAction_();
    });
}

bool TMarkliftMainForm::DatesReadable() {
    return !rbSelectedDates->isChecked() || (edtBegDate->checkText() && edtEndDate->checkText());
}

void TMarkliftMainForm::RefuseDateText(TDateEdit* picker, const QString& text) {
    ui_.showError(NotADateMessage(fromQString(text)));
    picker->setFocus(Qt::OtherFocusReason);
}

void TMarkliftMainForm::btnSettingsClick() {
    runHandler([this] {
        if (settingsAction_) settingsAction_();
    });
}

void TMarkliftMainForm::FormDestroy() {
    if (destroyed_) return;
    destroyed_ = true;
    runHandler([this] {
        SettingsFile file = ProgramSettingsFile(Settings());
        WriteShutdownSettings(file, ListBox2->selectedRow(), choices());
    });
}

}  // namespace marklift
