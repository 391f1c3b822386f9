// The settings dialog on Qt's offscreen platform over code tables written by
// the engine: what its page changes do, the period a Build reads, the grids'
// columns, check box and the navigator's Select All and UnSelect, the file
// type acting at once and undone by Cancel, the keyboard order of the field
// boxes and the Print button's choices.
#include "gui/settings/set_path_to_zolt_form.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "core/config/settings_file.h"
#include "gui/settings/code_table_model.h"
#include "gui/widgets/code_grid.h"
#include "gui/widgets/db_navigator.h"
#include "gui/widgets/radio_group.h"
#include "support/data_directory.h"
#include "support/scripted_user_interface.h"

using namespace marklift;
using marklift::testing::DataDirectory;
using marklift::testing::Row;

namespace {

const char kLevels[] = "CODE,C,4,0;PLACEMENT,C,30,0;COMMENT,C,30,0;";
const char kTests[] = "CODE,C,4,0;TEST,C,15,0;FORM,C,6,0;";

class SetPathToZoltFormTest : public ::testing::Test {
protected:
    SetPathToZoltFormTest() {
        settings.DataPath = data.path();
        settings.PeriodChoices = {"1.  \tFALL", "2.  \tSPRING"};
        settings.SelectedPeriod = 1;
        data.createTable("DELVTP1\\", "LEVELS", kLevels,
                         {Row{{"CODE", "EN1"}, {"PLACEMENT", "ENGLISH"}, {"COMMENT", "ONE"}}});
        data.createTable("DELVTP2\\", "LEVELS", kLevels,
                         {Row{{"CODE", "RD2"}, {"PLACEMENT", "READING"}, {"COMMENT", "TWO"}},
                          Row{{"CODE", "AL2"}, {"PLACEMENT", "ALGEBRA"}, {"COMMENT", "TWO"}},
                          Row{{"CODE", "MA2"}, {"PLACEMENT", "MATH"}, {"COMMENT", "TWO"}}});
        data.createTable("DELVTP2\\", "TEST", kTests,
                         {Row{{"CODE", "S1"}, {"TEST", "SCORE"}, {"FORM", "F1"}}});
        form = std::make_unique<TSetPathtoZOLTForm>(ui, settings);
    }

    // Shows the placement page and builds it from the preselected period 2.
    void placementCodes() {
        form->Notebook1->setCurrentIndex(2);
        form->btnBuildP->click();
    }
    // CODE and INCLUDE of BANPLACE in record order, read after the dialog
    // has posted and closed its tables.
    std::vector<std::vector<std::string>> placementFile() {
        form.reset();
        return data.read("", "BANPLACE", {"CODE", "INCLUDE"});
    }
    void clickCell(TCodeGrid* grid, int row, int column) {
        const QRect cell = grid->visualRect(grid->model()->index(row, column));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    }

    DataDirectory data{"setdlg"};
    ScriptedUserInterface ui;
    ProgramSettings settings;
    std::unique_ptr<TSetPathtoZOLTForm> form;
};

TEST_F(SetPathToZoltFormTest, OpensOnThePathPageWithTheNavigatorHiddenAndNoTableOpen) {
    EXPECT_EQ(form->windowTitle(), "Set Path to ZOLT");
    EXPECT_EQ(form->size(), QSize(418, 322));
    EXPECT_EQ(form->Notebook1->currentIndex(), 0);
    const QStringList tabs = {"Path to ZOLT", "Options", "Placement Codes", "&Test/Score Codes"};
    for (int i = 0; i < tabs.size(); ++i) EXPECT_EQ(form->Notebook1->tabText(i), tabs[i]);
    EXPECT_TRUE(form->btnOK->isDefault());
    EXPECT_TRUE(form->DBNavigator1->isHidden());
    EXPECT_FALSE(form->placementTable().Active());
    EXPECT_FALSE(data.exists("BANPLACE.DBF"));
    const char* hints[] = {"Move to first record",
                           "Move backward 10 records",
                           "Move to prior record",
                           "Move to next record",
                           "Move forward 10 records",
                           "Move to last record",
                           "Select All",
                           "UnSelect"};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(form->DBNavigator1->button(i)->toolTip(), hints[i]);
        EXPECT_EQ(form->DBNavigator1->button(i)->autoRepeat(), i < 6) << i;
    }
    EXPECT_EQ(form->DBNavigator1->button(0)->autoRepeatDelay(), 500);
    EXPECT_EQ(form->DBNavigator1->button(0)->autoRepeatInterval(), 100);
}

TEST_F(SetPathToZoltFormTest, ACodePageShowsTheNavigatorFillsThePeriodsAndOpensItsTable) {
    struct Case {
        int page;
        QComboBox* periods;
        QPushButton* build;
        XbaseTable* table;
        const char* file;
    };
    const Case cases[] = {
        {2, form->ComboBox1, form->btnBuildP, &form->placementTable(), "BANPLACE.DBF"},
        {3, form->ComboBox2, form->btnBuildT, &form->testTable(), "BANTEST.DBF"}};
    for (const Case& c : cases) {
        form->Notebook1->setCurrentIndex(c.page);
        EXPECT_FALSE(form->DBNavigator1->isHidden()) << c.page;
        ASSERT_EQ(c.periods->count(), 2);
        EXPECT_EQ(c.periods->itemText(1), "2.  \tSPRING");
        EXPECT_EQ(c.periods->currentIndex(), 1);
        EXPECT_TRUE(c.build->isEnabled());
        EXPECT_TRUE(c.table->Active());
        EXPECT_TRUE(data.exists(c.file));
        // Another choice is forgotten when the page is shown again.
        c.periods->setCurrentIndex(0);
        form->Notebook1->setCurrentIndex(1);
        EXPECT_TRUE(form->DBNavigator1->isHidden());
        form->Notebook1->setCurrentIndex(c.page);
        EXPECT_EQ(c.periods->currentIndex(), 1);
        form->Notebook1->setCurrentIndex(0);
        EXPECT_TRUE(form->DBNavigator1->isHidden());
    }
    EXPECT_TRUE(ui.messages().empty());
}

TEST_F(SetPathToZoltFormTest, WithoutAPeriodToSelectBuildIsDisabledAndTheTableStillOpens) {
    const std::pair<std::vector<std::string>, int> cases[] = {
        {{}, 0}, {{"1.  \tFALL"}, -1}, {{"1.  \tFALL"}, 1}};
    for (const auto& [choices, selected] : cases) {
        settings.PeriodChoices = choices;
        settings.SelectedPeriod = selected;
        form->Notebook1->setCurrentIndex(0);
        form->Notebook1->setCurrentIndex(2);
        EXPECT_EQ(form->ComboBox1->currentIndex(), -1) << selected;
        EXPECT_FALSE(form->btnBuildP->isEnabled()) << selected;
        EXPECT_TRUE(form->placementTable().Active());
        if (!choices.empty()) {
            form->ComboBox1->setCurrentIndex(0);
            EXPECT_TRUE(form->btnBuildP->isEnabled());
        }
    }
}

TEST_F(SetPathToZoltFormTest, BuildFillsTheGridFromThePeriodOfTheChosenItem) {
    placementCodes();
    EXPECT_EQ(form->DBGrid1->model()->rowCount(), 3);
    EXPECT_EQ(form->DBGrid1->model()->index(0, 0).data().toString(), "AL2");
    EXPECT_EQ(form->DBGrid1->model()->index(0, 3).data().toString(), "ALGEBRA TWO");
    EXPECT_EQ(form->DBGrid1->model()->headerData(3, Qt::Horizontal).toString(),
              "Placement Message");
    EXPECT_TRUE(ui.messages().empty());
}

// The list offers only the periods found, so with period 10 missing the
// entry "11." is the tenth: the period is the entry's own number.
TEST_F(SetPathToZoltFormTest, BuildReadsThePeriodTheEntryNames) {
    data.createTable("DELVTP11\\", "LEVELS", kLevels,
                     {Row{{"CODE", "LT11"}, {"PLACEMENT", "LATE"}, {"COMMENT", "ELEVEN"}}});
    settings.PeriodChoices = {"1. FALL", "2. SPRING", "3. SUMMER", "4. P4", "5. P5",
                              "6. P6",   "7. P7",     "8. P8",     "9. P9", "11. LATE"};
    settings.SelectedPeriod = 9;
    form->Notebook1->setCurrentIndex(2);
    ASSERT_EQ(form->ComboBox1->currentText(), "11. LATE");
    ui.queueAnswer(Answer::Cancel);  // give up at once should a period's table be missing
    form->btnBuildP->click();
    ASSERT_EQ(form->DBGrid1->model()->rowCount(), 1);
    EXPECT_EQ(form->DBGrid1->model()->index(0, 0).data().toString(), "LT11");
    EXPECT_TRUE(ui.messages().empty());
}

// No horizontal scroll bar: a column past the grid's right edge could not
// be reached. The widest column gives way, also to a vertical scroll bar.
TEST_F(SetPathToZoltFormTest, EveryColumnEndsInsideItsGrid) {
    std::vector<Row> levels;
    for (int i = 10; i < 50; ++i)
        levels.push_back({{"CODE", "L" + std::to_string(i)}, {"PLACEMENT", "LEVEL"}});
    data.createTable("DELVTP2\\", "LEVELS", kLevels, levels);
    form->show();
    placementCodes();
    form->Notebook1->setCurrentIndex(3);
    form->btnBuildT->click();
    for (const auto& [page, grid] : {std::pair{2, form->DBGrid1}, std::pair{3, form->DBGrid2}}) {
        form->Notebook1->setCurrentIndex(page);
        QCoreApplication::processEvents();
        const int last = grid->model()->columnCount() - 1;
        EXPECT_LE(grid->columnViewportPosition(last) + grid->columnWidth(last),
                  grid->viewport()->width())
            << page;
        // Still wide enough for its title.
        const QString title = grid->model()->headerData(last, Qt::Horizontal).toString();
        EXPECT_GE(grid->columnWidth(last),
                  grid->horizontalHeader()->fontMetrics().horizontalAdvance(title))
            << page;
    }
    form->Notebook1->setCurrentIndex(2);
    EXPECT_TRUE(form->DBGrid1->verticalScrollBar()->isVisible());
}

TEST_F(SetPathToZoltFormTest, OneClickOnTheIncludeCellTogglesItAndLeavingTheRowPostsIt) {
    placementCodes();
    form->show();
    // Rows in code order: AL2, MA2, RD2.
    clickCell(form->DBGrid1, 1, CodeTableModel::kIncludeColumn);
    EXPECT_EQ(form->DBGrid1->model()->index(1, 1).data(Qt::CheckStateRole).toInt(), Qt::Checked);
    clickCell(form->DBGrid1, 2, CodeTableModel::kIncludeColumn);
    // Clicking the code changes nothing.
    clickCell(form->DBGrid1, 0, CodeTableModel::kCodeColumn);
    clickCell(form->DBGrid1, 2, CodeTableModel::kIncludeColumn);
    EXPECT_EQ(form->DBGrid1->model()->index(2, 1).data(Qt::CheckStateRole).toInt(), Qt::Unchecked);
    EXPECT_EQ(placementFile(),
              (std::vector<std::vector<std::string>>{{"RD2", "F"}, {"AL2", "F"}, {"MA2", "T"}}));
}

TEST_F(SetPathToZoltFormTest, SelectAllAndUnSelectSetEveryRowAndKeepTheCurrentOne) {
    placementCodes();
    form->DBNavigator1->button(3)->click();  // next: the second row in code order
    ASSERT_EQ(form->placementTable().GetText("CODE"), "MA2");
    form->DBNavigator1->btnAll()->click();
    EXPECT_EQ(form->placementTable().GetText("CODE"), "MA2");
    EXPECT_EQ(form->DBGrid1->currentIndex().row(), 1);
    EXPECT_FALSE(form->placementTable().ControlsDisabled());
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(form->DBGrid1->model()->index(row, 1).data(Qt::CheckStateRole).toInt(),
                  Qt::Checked);
    EXPECT_EQ(placementFile(),
              (std::vector<std::vector<std::string>>{{"RD2", "T"}, {"AL2", "T"}, {"MA2", "T"}}));

    form = std::make_unique<TSetPathtoZOLTForm>(ui, settings);
    form->Notebook1->setCurrentIndex(2);
    form->DBNavigator1->btnNone()->click();
    EXPECT_EQ(placementFile(),
              (std::vector<std::vector<std::string>>{{"RD2", "F"}, {"AL2", "F"}, {"MA2", "F"}}));
}

TEST_F(SetPathToZoltFormTest, SelectAllActsOnThePageShownAndOnAnEmptyTableDoesNothing) {
    placementCodes();
    form->Notebook1->setCurrentIndex(3);
    form->DBNavigator1->btnAll()->click();
    EXPECT_TRUE(form->testTable().IsEmpty());
    EXPECT_TRUE(ui.messages().empty());
    EXPECT_EQ(placementFile(),
              (std::vector<std::vector<std::string>>{{"RD2", "F"}, {"AL2", "F"}, {"MA2", "F"}}));
}

TEST_F(SetPathToZoltFormTest, TheNavigatorMovesTheGridsCurrentRow) {
    placementCodes();
    const std::pair<int, std::string> steps[] = {
        {5, "RD2"}, {2, "MA2"}, {0, "AL2"}, {4, "RD2"}, {1, "AL2"}};
    for (const auto& [button, code] : steps) {
        form->DBNavigator1->button(button)->click();
        EXPECT_EQ(form->placementTable().GetText("CODE"), code) << button;
        const int row = form->DBGrid1->currentIndex().row();
        EXPECT_EQ(form->DBGrid1->model()->index(row, 0).data().toString().toStdString(), code)
            << button;
    }
}

TEST_F(SetPathToZoltFormTest, DeletingARowAsksFirst) {
    placementCodes();
    form->show();
    form->DBGrid1->setFocus();
    ui.queueAnswer(Answer::Cancel);
    QTest::keyClick(form->DBGrid1, Qt::Key_Delete, Qt::ControlModifier);
    ASSERT_EQ(ui.messages().size(), 1u);
    EXPECT_EQ(ui.messages()[0].title, "Confirm");
    EXPECT_EQ(ui.messages()[0].text, TCodeGrid::kDeleteQuestion);
    form->placementTable().First();
    EXPECT_FALSE(form->placementTable().Deleted());
    QTest::keyClick(form->DBGrid1, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_TRUE(form->placementTable().Deleted());
}

TEST_F(SetPathToZoltFormTest, ChoosingAFileTypeSetsFileFormatAtOnce) {
    settings.FileFormat = 0;
    form->rgFileFormat->button(3)->click();
    EXPECT_EQ(settings.FileFormat, 3);
    form->rgFileFormat->button(1)->click();
    EXPECT_EQ(settings.FileFormat, 1);
}

// The whole Settings click with the real dialog: a page shown (which makes
// its code table), a file type clicked, and Cancel.
TEST_F(SetPathToZoltFormTest, CancelLeavesTheSettingsAndTheDataDirectoryAsTheyWere) {
    settings.FileFormat = 2;
    const std::vector<std::string> files = data.entries();
    DataDirectory program("setdlg-program");
    SettingsFile file(program.path() + "MARKLIFT.ini");
    form.reset();
    auto dialog = std::make_unique<TSetPathtoZOLTForm>(ui, settings);
    TSetPathtoZOLTForm* shown = dialog.get();
    QTimer::singleShot(0, shown, [shown] {
        shown->Notebook1->setCurrentIndex(2);
        shown->Notebook1->setCurrentIndex(3);
        shown->Notebook1->setCurrentIndex(1);
        shown->rgFileFormat->button(1)->click();
        shown->btnCancel->click();
    });
    EXPECT_FALSE(RunSettingsHandOff(
        std::move(dialog), settings, file, [] {}, ui));
    EXPECT_EQ(settings.FileFormat, 2);
    EXPECT_EQ(data.entries(), files);
    EXPECT_FALSE(program.exists("MARKLIFT.ini"));
    EXPECT_TRUE(ui.messages().empty());
}

TEST_F(SetPathToZoltFormTest, FillingInAnotherFileTypeRunsTheHandler) {
    const std::pair<int, int> cases[] = {{7, 3}, {2, 2}, {0, 0}};
    for (const auto& [stored, after] : cases) {
        form = std::make_unique<TSetPathtoZOLTForm>(ui, settings);
        settings.FileFormat = stored;
        form->setValues(DialogValuesFromSettings(settings));
        EXPECT_EQ(settings.FileFormat, after) << stored;
        EXPECT_EQ(form->values(), DialogValuesFromSettings(settings)) << stored;
    }
}

TEST_F(SetPathToZoltFormTest, ValuesReadBackWhatTheControlsShow) {
    const SettingsDialogValues values{"D:\\DELV\\", false, true, false, -1,
                                      true,         false, true, true};
    form->setValues(values);
    EXPECT_EQ(form->values(), values);
    form->chkScores->setChecked(true);
    form->rgFileFormat->button(2)->click();
    SettingsDialogValues changed = values;
    changed.scores = true;
    changed.fileFormat = 2;
    EXPECT_EQ(form->values(), changed);
}

TEST_F(SetPathToZoltFormTest, TheKeyboardMovesThroughTheFieldBoxesInItsOwnOrder) {
    const std::vector<QWidget*> boxes = {form->chkAttempt, form->chkSubscores, form->chkPandA,
                                         form->chkSiteCode};
    std::vector<QWidget*> order;
    QWidget* widget = form->chkAttempt;
    do {
        if (std::find(boxes.begin(), boxes.end(), widget) != boxes.end()) order.push_back(widget);
        widget = widget->nextInFocusChain();
    } while (widget != form->chkAttempt && order.size() < boxes.size());
    EXPECT_EQ(order, (std::vector<QWidget*>{form->chkAttempt, form->chkPandA, form->chkSubscores,
                                            form->chkSiteCode}));
    // Shown top to bottom in the other order.
    form->Notebook1->setCurrentIndex(1);
    form->show();
    EXPECT_LT(form->chkSubscores->y(), form->chkPandA->y());
}

TEST_F(SetPathToZoltFormTest, PrintUsesTheChoicesNotYetSaved) {
    std::vector<std::tuple<int, bool, bool, bool, bool>> calls;
    form->setPrintHook([&](int type, bool attempted, bool subscores, bool panda, bool site) {
        calls.emplace_back(type, attempted, subscores, panda, site);
    });
    form->setValues(DialogValuesFromSettings(settings));
    form->rgFileFormat->button(2)->click();
    form->chkSubscores->setChecked(true);
    form->chkSiteCode->setChecked(true);
    form->btnPrint->click();
    form->chkAttempt->setChecked(true);
    form->chkSiteCode->setChecked(false);
    form->btnPrint->click();
    EXPECT_EQ(calls, (std::vector<std::tuple<int, bool, bool, bool, bool>>{
                         {2, false, true, false, true}, {2, true, true, false, false}}));
    EXPECT_FALSE(settings.IncludeSubscores);
}

TEST_F(SetPathToZoltFormTest, BrowseStartsAtTheDirectoryTextAndTakesOnlyAChosenFolder) {
    form->Edit2->setText("D:\\DELV\\");
    ui.queueFolder("");
    form->Button2->click();
    EXPECT_EQ(form->Edit2->text(), "D:\\DELV\\");
    ui.queueFolder("E:\\ZOLT");
    form->Button2->click();
    EXPECT_EQ(form->Edit2->text(), "E:\\ZOLT");
    EXPECT_EQ(ui.folderDialogStarts(), (std::vector<std::string>{"D:\\DELV\\", "D:\\DELV\\"}));
}

TEST_F(SetPathToZoltFormTest, ChangingTheDirectoryTextKeepsTheCodePagesWhereTheyOpened) {
    form->Edit2->setText("/nowhere/else");
    settings.DataPath = "/nowhere/else\\";
    form->Notebook1->setCurrentIndex(2);
    EXPECT_TRUE(form->placementTable().Active());
    EXPECT_TRUE(data.exists("BANPLACE.DBF"));
}

TEST_F(SetPathToZoltFormTest, EscapeClosesWithCancel) {
    QTimer::singleShot(0, form.get(), [this] { QTest::keyClick(form.get(), Qt::Key_Escape); });
    EXPECT_FALSE(form->execute());
    QTimer::singleShot(0, form.get(), [this] { form->btnOK->click(); });
    EXPECT_TRUE(form->execute());
}

}  // namespace
