// WorkTableModel over a small BANTABLE: rows in the active order, read on
// demand without moving the table, the current row following the table.
#include "gui/selection/work_table_model.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

#include "core/config/program_settings.h"
#include "core/upload/record_selection.h"
#include "support/export_test_support.h"
#include "support/qt_application.h"
#include "support/scripted_user_interface.h"
#include "support/temp_directory.h"
#include "support/work_table_fixture.h"

using namespace marklift;
using namespace marklift::testing;

namespace {

class WorkTableModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        TestApplication();
        WriteWorkTable(scratch.dir());
        settings.DataPath = scratch.dir();
        OpenWorkTable(table, settings, ui);
    }

    QString cell(const WorkTableModel& model, int row, int column) {
        return model.data(model.index(row, column), Qt::DisplayRole).toString();
    }

    TempDirectory scratch;
    ProgramSettings settings;
    ScriptedUserInterface ui;
    XbaseTable table;
    RecordSelection selection;
};

TEST_F(WorkTableModelTest, ShowsTheEightColumnsOfEachRowInTheActiveOrder) {
    WorkTableModel model(table, selection);
    EXPECT_EQ(model.rowCount(), 5);
    ASSERT_EQ(model.columnCount(), 8);
    const QStringList titles = {"ID",         "Last Name", "First Name", "Middel Initial",
                                "Birth Date", "Code",      "Score",      "Date"};
    for (int c = 0; c < 8; ++c)
        EXPECT_EQ(model.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString(), titles[c]);

    // Row 1 in the order by ID is record 4.
    const QStringList expected = {"200000002",  "MILLS", "DEE",  "D",
                                  "03/04/1981", "S1",    "0036", "03/09/2004"};
    for (int c = 0; c < 8; ++c) EXPECT_EQ(cell(model, 1, c), expected[c]) << "column " << c;
    EXPECT_EQ(model.BookmarkAt(1), 4u);
    EXPECT_EQ(cell(model, 4, 4), "") << "record 3 has no birth date";
    EXPECT_EQ(table.GetBookmark(), 2u) << "reading rows leaves the table where it was";
}

TEST_F(WorkTableModelTest, AnOrderChangeResetsTheRows) {
    WorkTableModel model(table, selection);
    EXPECT_EQ(cell(model, 0, 1), "ZIMMER");
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);

    table.SetIndexName("LNAME");

    EXPECT_EQ(resets.count(), 1);
    QStringList names;
    for (int row = 0; row < model.rowCount(); ++row) names << cell(model, row, 1);
    EXPECT_EQ(names, (QStringList{"ADAMS", "BAKER", "CARVER", "MILLS", "ZIMMER"}));
    EXPECT_EQ(model.CurrentRow(), 4) << "ZIMMER stays current, now last";
}

TEST_F(WorkTableModelTest, TheCurrentRowFollowsTheTableAndSelectedRowsAreHighlighted) {
    WorkTableModel model(table, selection);
    QSignalSpy moves(&model, &WorkTableModel::currentRowChanged);
    EXPECT_EQ(model.CurrentRow(), 0);
    EXPECT_EQ(model.headerData(0, Qt::Vertical, Qt::DisplayRole).toString(), "\u25B6");

    table.MoveBy(3);
    EXPECT_EQ(model.CurrentRow(), 3);
    ASSERT_EQ(moves.count(), 1);
    EXPECT_EQ(moves.at(0).at(0).toInt(), 3);
    EXPECT_EQ(model.headerData(0, Qt::Vertical, Qt::DisplayRole).toString(), "");

    (void)cell(model, 0, 0);  // reading moves the table behind the scenes
    EXPECT_EQ(moves.count(), 1) << "reading rows is no move";

    selection.Add(model.BookmarkAt(2));
    EXPECT_TRUE(model.data(model.index(2, 0), Qt::BackgroundRole).isValid());
    EXPECT_FALSE(model.data(model.index(1, 0), Qt::BackgroundRole).isValid());
}

TEST_F(WorkTableModelTest, ALargeTableIsReadOnlyWhereShown) {
    std::vector<WorkRow> rows;
    for (int i = 0; i < 3000; ++i) {
        WorkRow row = kWorkRows[std::size_t(i % 5)];
        row.ssn = std::to_string(100000000 + (i * 7919) % 3000);
        row.id = row.ssn;
        rows.push_back(row);
    }
    table.Close();
    WriteWorkTable(scratch.dir(), rows);
    OpenWorkTable(table, settings, ui);
    WorkTableModel model(table, selection);

    ASSERT_EQ(model.rowCount(), 3000);
    EXPECT_EQ(cell(model, 2999, 0), "100002999");
    EXPECT_EQ(cell(model, 1500, 0), "100001500");
    EXPECT_EQ(cell(model, 0, 0), "100000000");
    EXPECT_EQ(table.Position(), 0);
}

}  // namespace
