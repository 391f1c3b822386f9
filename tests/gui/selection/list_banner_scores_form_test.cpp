// The record selection window on Qt's offscreen platform over a small
// BANTABLE: its start-up state, the Export rule as records and file names
// come and go, picking with Ctrl+click, orders, search, browse and closing.
#include "gui/selection/list_banner_scores_form.h"

#include <gtest/gtest.h>

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>

#include "core/config/program_settings.h"
#include "core/config/settings_file.h"
#include "gui/selection/work_table_model.h"
#include "gui/widgets/incremental_search.h"
#include "gui/widgets/selection_grid.h"
#include "support/export_test_support.h"
#include "support/qt_application.h"
#include "support/scripted_user_interface.h"
#include "support/temp_directory.h"
#include "support/work_table_fixture.h"

using namespace marklift;
using namespace marklift::testing;

namespace {

class SelectionFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        TestApplication();
        WriteWorkTable(scratch.dir());
        settings.DataPath = scratch.dir();
        settings.SettingsFileName = scratch.file("MARKLIFT.ini");
        WriteFile(scratch.file("MARKLIFT.ini"), "[ZOLT Export]\r\nFilename=c:\\old.asc\r\n");
    }

    std::string storedFileName() const {
        return ProgramSettingsFile(settings).readString("ZOLT Export", "Filename", "<absent>");
    }

    void clickRow(TListBannerScoresForm& form, int row, Qt::KeyboardModifiers modifiers) {
        const QRect cell = form.DBGrid1->visualRect(form.DBGrid1Model().index(row, 1));
        QTest::mouseClick(form.DBGrid1->viewport(), Qt::LeftButton, modifiers, cell.center());
    }

    TempDirectory scratch;
    ProgramSettings settings;
    ScriptedUserInterface ui;
};

TEST_F(SelectionFormTest, OpensWithNothingSelectedAndExportOffEvenWithAStoredName) {
    {
        TListBannerScoresForm form(settings, ui);
        EXPECT_EQ(form.windowTitle(), "Select Records");
        EXPECT_EQ(form.size(), QSize(578, 488));
        EXPECT_EQ(form.Edit1->text(), "c:\\old.asc");
        EXPECT_EQ(form.StatusText(), "Records Selected: 0 out of 5");
        EXPECT_FALSE(form.btnExport->isEnabled());
        EXPECT_TRUE(form.btnExport->isDefault());
        EXPECT_EQ(form.btnCancel->text(), "&Close");
        EXPECT_EQ(form.btnAll->text(), "Select &All");
        EXPECT_EQ(form.btnAll->toolTip(), "Select All");
        EXPECT_EQ(form.btnNone->toolTip(), "UnSelect");
        EXPECT_EQ(form.NavigatorButtons[1]->toolTip(), "Move backward 10 records");
        EXPECT_EQ(form.NavigatorButtons[0]->autoRepeatDelay(), 500);
        EXPECT_EQ(form.NavigatorButtons[0]->autoRepeatInterval(), 100);
        EXPECT_TRUE(form.RadioButtons[0]->isChecked());
        EXPECT_EQ(form.Edit1->width(), 298);
        EXPECT_EQ(form.ProgressBar1->geometry().left(), 240);
        EXPECT_EQ(form.ProgressBar1->width(), 325);
        EXPECT_EQ(form.DBGrid1Model().index(0, 0).data().toString(), "100000001");
        form.Edit1->setText("c:\\changed.asc");
    }
    EXPECT_EQ(storedFileName(), "c:\\old.asc") << "a window that was never closed writes nothing";
}

TEST_F(SelectionFormTest, ExportNeedsBothRecordsAndAFileName) {
    TListBannerScoresForm form(settings, ui);
    form.Edit1->clear();
    form.btnAll->click();
    EXPECT_EQ(form.StatusText(), "Records Selected: 5 out of 5");
    EXPECT_FALSE(form.btnExport->isEnabled()) << "no file name yet";

    QTest::keyClicks(form.Edit1, "out.asc");
    EXPECT_TRUE(form.btnExport->isEnabled());
    form.Edit1->clear();
    EXPECT_FALSE(form.btnExport->isEnabled());

    form.Edit1->setText("x.asc");
    form.btnNone->click();
    EXPECT_EQ(form.StatusText(), "Records Selected: 0 out of 5");
    EXPECT_FALSE(form.btnExport->isEnabled());
}

TEST_F(SelectionFormTest, RecordsPickedWithCtrlClickAreWrittenInTheOrderPicked) {
    TListBannerScoresForm form(settings, ui);
    form.show();
    const std::string out = scratch.file("picked.asc");
    form.Edit1->setText(QString::fromStdString(out));
    clickRow(form, 2, Qt::ControlModifier);
    clickRow(form, 0, Qt::ControlModifier);
    clickRow(form, 1, Qt::ControlModifier);
    EXPECT_EQ(form.StatusText(), "Records Selected: 3 out of 5");
    ASSERT_TRUE(form.btnExport->isEnabled());

    form.btnExport->click();

    ASSERT_EQ(ui.messageTexts(),
              (std::vector<std::string>{"Export File has been successfully prepared."}));
    const std::string file = ReadFile(out);
    ASSERT_EQ(file.size(), 3u * 60);
    EXPECT_EQ(file.substr(0, 9), "300000003");
    EXPECT_EQ(file.substr(60, 9), "100000001");
    EXPECT_EQ(file.substr(120, 9), "200000002");
    EXPECT_EQ(form.StatusText(), "Records Selected: 3 out of 5") << "the selection stays";

    clickRow(form, 0, Qt::ControlModifier);
    EXPECT_EQ(form.StatusText(), "Records Selected: 2 out of 5");
    clickRow(form, 4, Qt::NoModifier);
    EXPECT_EQ(form.Selection().bookmarks(), std::vector<Bookmark>{3}) << "a plain click picks one";
    clickRow(form, 2, Qt::ShiftModifier);
    EXPECT_EQ(form.Selection().bookmarks(), (std::vector<Bookmark>{3, 5, 1}));
}

TEST_F(SelectionFormTest, KeysInTheGridSelectAllAndNone) {
    TListBannerScoresForm form(settings, ui);
    QTest::keyClick(form.DBGrid1, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(form.StatusText(), "Records Selected: 5 out of 5");
    EXPECT_EQ(form.Selection().bookmarks(), (std::vector<Bookmark>{2, 4, 1, 5, 3}));
    QTest::keyClick(form.DBGrid1, Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(form.StatusText(), "Records Selected: 0 out of 5");
    QTest::keyClick(form.Edit1, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(form.StatusText(), "Records Selected: 0 out of 5") << "only in the grid";
}

TEST_F(SelectionFormTest, AnOrderChangeClearsTheSelectionAndTheSearchFindsTheNearestKey) {
    TListBannerScoresForm form(settings, ui);
    form.show();
    form.btnAll->click();
    form.IncrementalSearch1->setText("30");

    form.RadioButtons[1]->click();

    EXPECT_EQ(form.StatusText(), "Records Selected: 0 out of 5");
    EXPECT_FALSE(form.btnExport->isEnabled());
    EXPECT_TRUE(form.RadioButtons[1]->isChecked());
    EXPECT_EQ(form.IncrementalSearch1->SearchField(), "LNAME");
    EXPECT_TRUE(form.IncrementalSearch1->text().isEmpty());
    EXPECT_EQ(form.DBGrid1Model().index(0, 1).data().toString(), "ADAMS");

    clickRow(form, 4, Qt::ControlModifier);
    QTest::keyClicks(form.IncrementalSearch1, "ba");
    EXPECT_EQ(form.IncrementalSearch1->text(), "BA");
    EXPECT_EQ(form.DBGrid1->currentIndex().row(), 1) << "on BAKER";
    QTest::keyClicks(form.IncrementalSearch1, "x");
    EXPECT_EQ(form.DBGrid1->currentIndex().row(), 2) << "BAX: the next key, CARVER";
    EXPECT_EQ(form.StatusText(), "Records Selected: 1 out of 5") << "searching keeps the selection";
}

// The grid shows test dates as MM/dd/yyyy; typed that way they are found.
TEST_F(SelectionFormTest, TheTestDateSearchTakesTheDateAsTheGridShowsIt) {
    TListBannerScoresForm form(settings, ui);
    form.show();
    form.RadioButtons[2]->click();
    ASSERT_EQ(form.IncrementalSearch1->SearchField(), "DATE");
    const struct {
        const char* typed;
        int row;  // in date order: MILLS 9th, ZIMMER, ADAMS, CARVER, BAKER 13th
    } cases[] = {{"03/12/2004", 3}, {"20040310", 1}, {"3/11/2004", 2}, {"200403", 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        form.IncrementalSearch1->clear();
        form.DBGrid1->setCurrentIndex(form.DBGrid1Model().index(4, 0));
        QTest::keyClicks(form.IncrementalSearch1, c.typed);
        EXPECT_EQ(form.DBGrid1->currentIndex().row(), c.row);
    }
}

// No column title is cut, and the columns still fit the grid's width.
TEST_F(SelectionFormTest, EveryColumnTitleFitsItsColumn) {
    TListBannerScoresForm form(settings, ui);
    form.show();
    const QHeaderView* header = form.DBGrid1->horizontalHeader();
    int total = 0;
    for (int column = 0; column < header->count(); ++column) {
        SCOPED_TRACE(form.DBGrid1Model()
                         .headerData(column, Qt::Horizontal, Qt::DisplayRole)
                         .toString()
                         .toStdString());
        EXPECT_GE(form.DBGrid1->columnWidth(column), header->sectionSizeHint(column));
        total += form.DBGrid1->columnWidth(column);
    }
    EXPECT_LE(total, form.DBGrid1->viewport()->width());
}

TEST_F(SelectionFormTest, BrowseOffersTheStoredNameAndTakesTheChosenOne) {
    TListBannerScoresForm form(settings, ui);
    ui.queueSaveFile("c:\\picked.asc");
    form.SpeedButton1->click();
    ASSERT_EQ(ui.saveDialogs().size(), 1u);
    const FileDialogOptions& dialog = ui.saveDialogs()[0];
    EXPECT_EQ(dialog.title, "Save Banner Export File");
    EXPECT_EQ(dialog.defaultExtension, "asc");
    EXPECT_EQ(dialog.initialDirectory, "c:");
    EXPECT_EQ(dialog.filter, "Text files (*.txt)|*.txt|All files (*.*)|*.*");
    EXPECT_EQ(dialog.initialFileName, "c:\\old.asc");
    EXPECT_EQ(form.Edit1->text(), "c:\\picked.asc");

    form.SpeedButton1->click();  // cancelled
    EXPECT_EQ(form.Edit1->text(), "c:\\picked.asc");
}

TEST_F(SelectionFormTest, ClosingStoresTheFileNameAlsoWhenEmpty) {
    TListBannerScoresForm form(settings, ui);
    form.show();
    form.Edit1->clear();
    form.btnCancel->click();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(storedFileName(), "");

    TListBannerScoresForm next(settings, ui);
    EXPECT_TRUE(next.Edit1->text().isEmpty());
}

}  // namespace
