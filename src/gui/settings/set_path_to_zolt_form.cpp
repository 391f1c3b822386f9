#include "gui/settings/set_path_to_zolt_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/periods/period_choice.h"
#include "core/session/error_handler.h"
#include "core/session/program_error.h"
#include "core/worktable/code_tables.h"
#include "gui/settings/code_table_model.h"
#include "gui/widgets/code_grid.h"
#include "gui/widgets/db_navigator.h"
#include "gui/widgets/qt_text.h"
#include "gui/widgets/radio_group.h"
#include "gui/widgets/window_layout.h"
#include "platform/paths.h"

namespace marklift {
namespace {

constexpr int kClientWidth = 418;
constexpr int kClientHeight = 322;
constexpr int kNotebookHeight = 281;
constexpr int kStripHeight = 41;
constexpr int kPeriodListWidth = 173;

enum Page { kPathPage, kOptionsPage, kPlacementPage, kTestPage };

QCheckBox* addCheckBox(const char* caption, QWidget* parent, QVBoxLayout* layout) {
    auto* box = new QCheckBox(caption, parent);
    layout->addWidget(box);
    return box;
}

}  // namespace

TSetPathtoZOLTForm::TSetPathtoZOLTForm(UserInterface& ui, ProgramSettings& settings,
                                       QWidget* parent)
    : QDialog(parent), ui_(ui), settings_(settings), dataPath_(settings.DataPath) {
    setWindowTitle("Set Path to ZOLT");
    setFixedSize(kClientWidth, kClientHeight);
    // Otherwise the four page tabs would not fit across.
    UseCompactDialogFont(*this);
    placementModel_ = new CodeTableModel(placementTable_, kPlacementColumns, ui_, this);
    testModel_ = new CodeTableModel(testTable_, kTestColumns, ui_, this);

    Notebook1 = new QTabWidget(this);
    Notebook1->setGeometry(0, 0, kClientWidth, kNotebookHeight);
    buildPathPage();
    buildOptionsPage();
    Page3 = buildCodePage(ComboBox1, btnBuildP, DBGrid1, *placementModel_);
    Page4 = buildCodePage(ComboBox2, btnBuildT, DBGrid2, *testModel_);
    Notebook1->addTab(Page1, "Path to ZOLT");
    Notebook1->addTab(Page2, "Options");
    Notebook1->addTab(Page3, "Placement Codes");
    Notebook1->addTab(Page4, "&Test/Score Codes");

    DBNavigator1 = new TDBNavigator(this);
    DBNavigator1->setGeometry(8, 289, 224, 25);
    DBNavigator1->hide();
    btnOK = new QPushButton("&OK", this);
    btnOK->setGeometry(252, 289, 75, 25);
    btnOK->setDefault(true);
    btnCancel = new QPushButton("&Cancel", this);
    btnCancel->setGeometry(335, 289, 75, 25);

    connect(Notebook1, &QTabWidget::currentChanged, this, &TSetPathtoZOLTForm::Notebook1PageChange);
    connect(ComboBox1, &QComboBox::currentIndexChanged, this, &TSetPathtoZOLTForm::ComboBox1Change);
    connect(ComboBox2, &QComboBox::currentIndexChanged, this, &TSetPathtoZOLTForm::ComboBox2Change);
    connect(btnBuildP, &QPushButton::clicked, this, &TSetPathtoZOLTForm::btnBuildPClick);
    connect(btnBuildT, &QPushButton::clicked, this, &TSetPathtoZOLTForm::btnBuildTClick);
    connect(DBNavigator1->btnAll(), &QAbstractButton::clicked, this,
            &TSetPathtoZOLTForm::btnAllClick);
    connect(DBNavigator1->btnNone(), &QAbstractButton::clicked, this,
            &TSetPathtoZOLTForm::btnNoneClick);
    connect(Button2, &QPushButton::clicked, this, &TSetPathtoZOLTForm::Button2Click);
    for (int i = 0; i < 4; ++i)
        connect(rgFileFormat->button(i), &QRadioButton::clicked, this,
                &TSetPathtoZOLTForm::rgFileFormatClick);
    connect(btnPrint, &QPushButton::clicked, this, &TSetPathtoZOLTForm::btnPrintClick);
    // QDialog closes with Reject on Escape already.
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    CentreOnScreen(*this);
}

void TSetPathtoZOLTForm::buildPathPage() {
    Page1 = new QWidget;
    GroupBox2 = new QGroupBox("Path to ZOLT", Page1);
    GroupBox2->setGeometry(24, 80, 364, 90);
    Label1 = new QLabel("&Directory:", GroupBox2);
    Label1->setGeometry(12, 24, 100, 17);
    Button2 = new QPushButton("B&rowse", GroupBox2);
    Button2->setGeometry(276, 18, 75, 25);
    Edit2 = new QLineEdit(GroupBox2);
    Edit2->setGeometry(12, 52, 340, 23);
    Label1->setBuddy(Edit2);

    // Which MARKLIFT.ini this run reads and writes, for whoever looks for it.
    const QString settingsFile = toQString(nativePath(settings_.SettingsFileName));
    lblSettingsFile = new QLabel(Page1);
    lblSettingsFile->setGeometry(24, 186, 364, 40);
    lblSettingsFile->setForegroundRole(QPalette::PlaceholderText);
    lblSettingsFile->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblSettingsFile->setText(
        QStringLiteral("Settings file:\n") +
        lblSettingsFile->fontMetrics().elidedText(settingsFile, Qt::ElideMiddle, 364));
    lblSettingsFile->setToolTip(settingsFile);
}

void TSetPathtoZOLTForm::buildOptionsPage() {
    Page2 = new QWidget;
    GroupBox1 = new QGroupBox("&Record Inclusion", Page2);
    GroupBox1->setGeometry(8, 8, 216, 100);
    auto* records = new QVBoxLayout(GroupBox1);
    chkPlacement = addCheckBox("Placement Records", GroupBox1, records);
    chkAssessment = addCheckBox("Assessment Records", GroupBox1, records);
    chkScores = addCheckBox("Score Records", GroupBox1, records);
    chkPlacement->setChecked(true);
    chkAssessment->setChecked(true);
    chkScores->setChecked(true);

    GroupBox3 = new QGroupBox("&Additional Field Inclusion", Page2);
    GroupBox3->setGeometry(8, 116, 216, 128);
    auto* fields = new QVBoxLayout(GroupBox3);
    chkAttempt = addCheckBox("Attempted", GroupBox3, fields);
    chkSubscores = addCheckBox("Subscores", GroupBox3, fields);
    chkPandA = addCheckBox("Purpose and Accommodation", GroupBox3, fields);
    chkSiteCode = addCheckBox("Site Code", GroupBox3, fields);
    // The keyboard keeps the order the boxes had before Subscores moved up.
    QWidget::setTabOrder(chkAttempt, chkPandA);
    QWidget::setTabOrder(chkPandA, chkSubscores);
    QWidget::setTabOrder(chkSubscores, chkSiteCode);

    rgFileFormat = new TRadioGroup(
        "&File Type", {"Fixed Format", "Pipe Delimited", "Comma Delimited", "Tab Delimited"},
        Page2);
    rgFileFormat->setGeometry(234, 8, 166, 136);
    rgFileFormat->setItemIndex(0);
    btnPrint = new QPushButton("Print &File Format", Page2);
    btnPrint->setGeometry(245, 156, 144, 25);
}

QWidget* TSetPathtoZOLTForm::buildCodePage(QComboBox*& periods, QPushButton*& build,
                                           TCodeGrid*& grid, CodeTableModel& model) {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* strip = new QWidget(page);
    strip->setFixedHeight(kStripHeight);
    periods = new QComboBox(strip);
    periods->setGeometry(8, 9, kPeriodListWidth, 23);
    build = new QPushButton("&Build", strip);
    build->setGeometry(8 + kPeriodListWidth + 8, 8, 75, 25);
    grid = new TCodeGrid(model, ui_, page);
    layout->addWidget(strip);
    layout->addWidget(grid);
    return page;
}

TSetPathtoZOLTForm::~TSetPathtoZOLTForm() {
    for (XbaseTable* table : {&placementTable_, &testTable_}) {
        try {
            if (table->State() == EditState::Edit || table->State() == EditState::Insert)
                table->Post();
            table->Close();
        } catch (const std::exception& error) {
            ReportError(ui_, error);
        }
    }
}

void TSetPathtoZOLTForm::setValues(const SettingsDialogValues& values) {
    Edit2->setText(toQString(values.directory));
    chkPlacement->setChecked(values.placement);
    chkAssessment->setChecked(values.assessment);
    chkScores->setChecked(values.scores);
    const int shown = rgFileFormat->itemIndex();
    rgFileFormat->setItemIndex(values.fileFormat);
    if (values.fileFormat != shown) rgFileFormatClick();
    chkPandA->setChecked(values.purposeAndAccommodation);
    chkAttempt->setChecked(values.attempted);
    chkSubscores->setChecked(values.subscores);
    chkSiteCode->setChecked(values.siteCode);
}

bool TSetPathtoZOLTForm::execute() {
    const int answer = exec();
    if (cancelled_) throw ProgramCancelled();
    return answer == QDialog::Accepted;
}

SettingsDialogValues TSetPathtoZOLTForm::values() const {
    SettingsDialogValues values;
    values.directory = fromQString(Edit2->text());
    values.placement = chkPlacement->isChecked();
    values.assessment = chkAssessment->isChecked();
    values.scores = chkScores->isChecked();
    values.fileFormat = rgFileFormat->itemIndex();
    values.purposeAndAccommodation = chkPandA->isChecked();
    values.attempted = chkAttempt->isChecked();
    values.subscores = chkSubscores->isChecked();
    values.siteCode = chkSiteCode->isChecked();
    return values;
}

void TSetPathtoZOLTForm::Notebook1PageChange(int page) {
    if (page == kPlacementPage) {
        DBNavigator1->setDataSource(placementModel_);
        showCodePage(ComboBox1, btnBuildP, DBGrid1,
                     [this] { OpenPlacementTable(placementTable_, dataPath_, ui_); });
    } else if (page == kTestPage) {
        DBNavigator1->setDataSource(testModel_);
        showCodePage(ComboBox2, btnBuildT, DBGrid2,
                     [this] { OpenTestTable(testTable_, dataPath_, ui_); });
    } else {
        DBNavigator1->hide();
    }
}

void TSetPathtoZOLTForm::showCodePage(QComboBox* periods, QPushButton* build, TCodeGrid* grid,
                                      const std::function<void()>& open) {
    DBNavigator1->show();
    {
        const QSignalBlocker quiet(periods);
        periods->clear();
        for (const std::string& choice : settings_.PeriodChoices)
            periods->addItem(toQString(choice));
        const bool inRange =
            settings_.SelectedPeriod >= 0 && settings_.SelectedPeriod < periods->count();
        periods->setCurrentIndex(inRange ? settings_.SelectedPeriod : -1);
    }
    build->setEnabled(periods->currentIndex() >= 0);
    run([&] {
        open();
        grid->refresh();
    });
}

void TSetPathtoZOLTForm::ComboBox1Change() {
    btnBuildP->setEnabled(ComboBox1->currentIndex() >= 0);
}

void TSetPathtoZOLTForm::ComboBox2Change() {
    btnBuildT->setEnabled(ComboBox2->currentIndex() >= 0);
}

void TSetPathtoZOLTForm::btnBuildPClick() {
    buildCodes(ComboBox1, DBGrid1, [this](int period) {
        BuildPlacementCodes(placementTable_, sourceTable_, previousTable_, dataPath_, period, ui_);
    });
}

void TSetPathtoZOLTForm::btnBuildTClick() {
    buildCodes(ComboBox2, DBGrid2, [this](int period) {
        BuildTestCodes(testTable_, sourceTable_, previousTable_, dataPath_, period, ui_);
    });
}

void TSetPathtoZOLTForm::buildCodes(QComboBox* periods, TCodeGrid* grid,
                                    const std::function<void(int period)>& build) {
    if (periods->currentIndex() < 0) return;
    const int period = PeriodOfChoice(fromQString(periods->currentText()));
    run([&] { build(period); });
    grid->refresh();
}

void TSetPathtoZOLTForm::btnAllClick() {
    setIncludeOnEveryRow(true);
}

void TSetPathtoZOLTForm::btnNoneClick() {
    setIncludeOnEveryRow(false);
}

void TSetPathtoZOLTForm::setIncludeOnEveryRow(bool include) {
    CodeTableModel* model = DBNavigator1->dataSource();
    if (!model || !model->table().Active()) return;
    XbaseTable& table = model->table();
    model->leaveRow();
    run([&] {
        const bool hadRow = !table.IsEmpty() && !table.Eof();
        const Bookmark remembered = hadRow ? table.GetBookmark() : 0;
        table.DisableControls();
        try {
            for (table.First(); !table.Eof(); table.Next()) {
                table.Edit();
                table.SetBool("INCLUDE", include);
                table.Post();
            }
            if (hadRow) table.GotoBookmark(remembered);
        } catch (...) {
            table.EnableControls();
            throw;
        }
        table.EnableControls();
    });
    // After an error the grid stays on the row where it came.
    (model == placementModel_ ? DBGrid1 : DBGrid2)->refresh();
}

void TSetPathtoZOLTForm::Button2Click() {
    const std::string folder = ui_.chooseFolder(fromQString(Edit2->text()));
    if (!folder.empty()) Edit2->setText(toQString(folder));
}

void TSetPathtoZOLTForm::rgFileFormatClick() {
    settings_.FileFormat = rgFileFormat->itemIndex();
}

void TSetPathtoZOLTForm::btnPrintClick() {
    if (print_)
        run([&] {
            print_(rgFileFormat->itemIndex(), chkAttempt->isChecked(), chkSubscores->isChecked(),
                   chkPandA->isChecked(), chkSiteCode->isChecked());
        });
}

void TSetPathtoZOLTForm::run(const std::function<void()>& work) {
    try {
        work();
    } catch (const ProgramCancelled&) {
        cancelled_ = true;
        reject();
    } catch (const std::exception& error) {
        ReportError(ui_, error);
    }
}

}  // namespace marklift
