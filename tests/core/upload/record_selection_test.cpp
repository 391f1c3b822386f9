// The selection window's rules without the window: picking order, the
// counts and status text, the Export rule, the four orders, and the
// unattended export of every record.
#include "core/upload/record_selection.h"

#include <gtest/gtest.h>

#include "core/config/program_settings.h"
#include "core/preparation/automatic_export.h"
#include "core/session/program_error.h"
#include "support/export_test_support.h"
#include "support/scripted_user_interface.h"
#include "support/temp_directory.h"
#include "support/work_table_fixture.h"

using namespace marklift;
using namespace marklift::testing;

namespace {

class RecordSelectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteWorkTable(scratch.dir());
        settings.DataPath = scratch.dir();
        OpenWorkTable(table, settings, ui);
    }

    TempDirectory scratch;
    ProgramSettings settings;
    ScriptedUserInterface ui;
    XbaseTable table;
};

struct OrderCase {
    SelectionOrder order;
    const char* tag;
    std::vector<Bookmark> walk;
};

TEST_F(RecordSelectionTest, SelectAllTakesEveryRecordInTheOrderShown) {
    const std::vector<OrderCase> cases = {
        {SelectionOrder::Id, "SSN", {2, 4, 1, 5, 3}},
        {SelectionOrder::LastName, "LNAME", {3, 5, 1, 4, 2}},
        {SelectionOrder::TestDate, "DATE", {4, 2, 3, 1, 5}},
        {SelectionOrder::TestCode, "TESTCODE", {5, 3, 1, 2, 4}},
    };
    for (const OrderCase& c : cases) {
        SCOPED_TRACE(c.tag);
        RecordSelection selection(table.RecordCount());
        selection.Add(1);
        selection.ChangeOrder(table, c.order);
        EXPECT_EQ(table.IndexName(), c.tag);
        EXPECT_TRUE(selection.bookmarks().empty()) << "an order change drops the selection";
        EXPECT_EQ(selection.SelectedCount(), 0u);

        table.GotoBookmark(c.walk[2]);
        selection.SelectAll(table);
        EXPECT_EQ(selection.bookmarks(), c.walk);
        EXPECT_EQ(selection.SelectedCount(), 5u);
        EXPECT_EQ(table.GetBookmark(), c.walk[2]) << "back on the record that was current";
    }
}

// The walk Select All stands for ends past the last record, and that is
// where the table stays when there was no record to go back to; a view of
// the table hears of it once.
TEST_F(RecordSelectionTest, SelectAllWithoutACurrentRecordLeavesTheTablePastTheEnd) {
    table.SetIndexName("LNAME");
    int notices = 0;
    table.AddListener([&notices] { ++notices; });
    for (bool beforeTheStart : {true, false}) {
        SCOPED_TRACE(beforeTheStart ? "before the start" : "past the end");
        if (beforeTheStart) {
            table.First();
            table.Prior();
            ASSERT_TRUE(table.Bof());
        } else {
            table.Last();
            table.Next();
        }
        notices = 0;
        RecordSelection selection(table.RecordCount());
        selection.SelectAll(table);
        EXPECT_EQ(selection.bookmarks(), (std::vector<Bookmark>{3, 5, 1, 4, 2}));
        EXPECT_TRUE(table.Eof());
        EXPECT_EQ(table.GetBookmark(), 0u);
        EXPECT_EQ(notices, 1);
    }
}

TEST_F(RecordSelectionTest, RecordsPickedOneByOneKeepTheOrderTheyWerePickedIn) {
    RecordSelection selection(5);
    selection.Toggle(1);  // row 3 (300...)
    selection.Toggle(2);  // row 1 (100...)
    selection.Toggle(4);  // row 2 (200...)
    EXPECT_EQ(selection.bookmarks(), (std::vector<Bookmark>{1, 2, 4}));
    EXPECT_EQ(selection.SelectedCount(), 3u);
    EXPECT_TRUE(selection.contains(2));

    selection.Toggle(2);
    EXPECT_EQ(selection.bookmarks(), (std::vector<Bookmark>{1, 4}));
    EXPECT_EQ(selection.SelectedCount(), 2u);
    EXPECT_FALSE(selection.contains(2));
    selection.Toggle(2);
    EXPECT_EQ(selection.bookmarks(), (std::vector<Bookmark>{1, 4, 2}))
        << "picked again: at the end";

    selection.Add(4);
    EXPECT_EQ(selection.SelectedCount(), 3u) << "adding a selected record changes nothing";
    selection.Remove(3);
    EXPECT_EQ(selection.SelectedCount(), 3u) << "removing another changes nothing";
    selection.Clear();
    EXPECT_TRUE(selection.bookmarks().empty());
    EXPECT_EQ(selection.SelectedCount(), 0u);
}

TEST_F(RecordSelectionTest, StatusTextAndExportRule) {
    RecordSelection selection(340);
    EXPECT_EQ(selection.StatusText(), "Records Selected: 0 out of 340");
    EXPECT_FALSE(selection.ExportAvailable("c:\\out.asc"));
    selection.Add(7);
    selection.Add(9);
    EXPECT_EQ(selection.StatusText(), "Records Selected: 2 out of 340");
    EXPECT_TRUE(selection.ExportAvailable("c:\\out.asc"));
    EXPECT_FALSE(selection.ExportAvailable("")) << "no file name, no export";
    selection.Clear();
    EXPECT_FALSE(selection.ExportAvailable("c:\\out.asc"));
}

TEST(OrderTagTest, EachRadioButtonsTagStandsForOneIndexTag) {
    EXPECT_STREQ(OrderTag(SelectionOrder::Id), "SSN");
    EXPECT_STREQ(OrderTag(SelectionOrder::LastName), "LNAME");
    EXPECT_STREQ(OrderTag(SelectionOrder::TestDate), "DATE");
    EXPECT_STREQ(OrderTag(SelectionOrder::TestCode), "TESTCODE");
    EXPECT_EQ(static_cast<int>(SelectionOrder::TestCode), 4);
}

// The grid shows test dates as MM/dd/yyyy; the DATE tag's keys are yyyymmdd.
TEST(SearchKeyTest, ATestDateIsSoughtAsTypedOrAsTheGridShowsIt) {
    struct Case {
        const char* tag;
        const char* typed;
        std::optional<std::string> key;
    };
    const Case cases[] = {
        {"DATE", "20261205", "20261205"},
        {"DATE", "2026", "2026"},
        {"DATE", "12/05/2026", "20261205"},
        {"DATE", "1/5/2026", "20260105"},
        {"DATE", "12/0", std::nullopt},        // not whole yet: stay
        {"DATE", "12/05/20", std::nullopt},    // nor with two digits of the year
        {"DATE", "13/45/2026", std::nullopt},  // no such day
        {"LNAME", "O/BRIEN", "O/BRIEN"},       // other orders: as typed
        {"SSN", "123", "123"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.tag) + " " + c.typed);
        EXPECT_EQ(SearchKey(c.tag, c.typed), c.key);
    }
}

TEST_F(RecordSelectionTest, AutomaticExportWritesEveryRecordByIdWithoutAMessage) {
    table.Close();
    const std::string out = scratch.file("auto.asc");

    const AutomaticExportResult result = RunAutomaticExport(settings, ui, out);

    EXPECT_EQ(result.outcome, ExportOutcome::Written);
    EXPECT_EQ(result.records, 5u);
    EXPECT_TRUE(ui.messages().empty());
    EXPECT_EQ(ui.busyDepth(), 0);
    const std::string file = ReadFile(out);
    ASSERT_EQ(file.size(), 5u * 60);
    for (std::size_t i = 0; i < 5; ++i) {
        const std::string line = file.substr(i * 60, 60);
        EXPECT_EQ(line.substr(58), "\r\n");
        EXPECT_EQ(line.substr(0, 9), IdsOf({2, 4, 1, 5, 3})[i]) << "line " << i;
    }
    // Record 2 by hand: ID, last, first, blank middle initial, birth date,
    // score, test date, code.
    EXPECT_EQ(file.substr(0, 58),
              "100000001ZIMMER       BOB         19790203"
              "03  20040310RD  ");
}

TEST_F(RecordSelectionTest, AutomaticExportEndsWhenTheWorkTableWillNotOpen) {
    table.Close();
    settings.DataPath = scratch.dir() + "missing/";
    ui.queueAnswer(Answer::Cancel);
    EXPECT_THROW(RunAutomaticExport(settings, ui, scratch.file("x.asc")), ProgramCancelled);
    EXPECT_FALSE(std::filesystem::exists(scratch.file("x.asc")));
}

}  // namespace
