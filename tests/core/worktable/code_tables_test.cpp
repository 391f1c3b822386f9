// The code tables BANPLACE and BANTEST: created with their tag when missing,
// filled from a testing period's LEVELS and TEST tables, and rebuilt keeping
// the user's translations; the Build question and what Cancel leaves alone.
#include "core/worktable/code_tables.h"

#include <gtest/gtest.h>

#include <functional>

#include "core/session/program_error.h"
#include "support/data_directory.h"
#include "support/scripted_user_interface.h"

using namespace marklift;
using marklift::testing::DataDirectory;
using marklift::testing::Row;

namespace {

const char kLevels[] = "CODE,C,4,0;PLACEMENT,C,60,0;COMMENT,C,60,0;";
const char kTests[] = "CODE,C,4,0;TEST,C,15,0;FORM,C,6,0;";

using Record = std::vector<std::string>;

// What tells the two tables apart in a test.
struct Kind {
    const char* name;
    const char* sourceTable;
    const char* sourceDefinitions;
    const char* descriptionField;
    std::uint8_t descriptionWidth;
    const char* question;
    std::function<void(XbaseTable&, const std::string&, UserInterface&)> open;
    std::function<void(XbaseTable&, XbaseTable&, XbaseTable&, const std::string&, int,
                       UserInterface&)>
        build;
};

const Kind kPlacement{"BANPLACE",
                      "LEVELS",
                      kLevels,
                      "MESSAGE",
                      110,
                      "This routine rebuilds the Placement Code Table based\r\n"
                      "on the placement levels in the selected testing period.\r\n"
                      "Is this what you want to do?",
                      OpenPlacementTable,
                      BuildPlacementCodes};
const Kind kTest{"BANTEST",
                 "TEST",
                 kTests,
                 "TEST",
                 22,
                 "This routine rebuilds the Test/Score Code Table based\r\n"
                 "on the Test/Scores in the selected testing period.\r\n"
                 "Is this what you want to do?",
                 OpenTestTable,
                 BuildTestCodes};

void PrintTo(const Kind& kind, std::ostream* out) {
    *out << kind.name;
}

class CodeTablesTest : public ::testing::TestWithParam<Kind> {
protected:
    const Kind& kind() const { return GetParam(); }
    std::string file(const char* extension) const { return std::string(kind().name) + extension; }

    // The period's LEVELS or TEST, from (code, name, comment or form) rows.
    void source(int period, const std::vector<Record>& records) {
        std::vector<Row> rows;
        const bool levels = std::string(kind().sourceTable) == "LEVELS";
        for (const Record& r : records)
            rows.push_back(levels ? Row{{"CODE", r[0]}, {"PLACEMENT", r[1]}, {"COMMENT", r[2]}}
                                  : Row{{"CODE", r[0]}, {"TEST", r[1]}, {"FORM", r[2]}});
        dir.createTable("DELVTP" + std::to_string(period) + "\\", kind().sourceTable,
                        kind().sourceDefinitions, rows);
    }

    void open() { kind().open(codes, dir.path(), ui); }
    void build(int period) { kind().build(codes, sourceTable, previous, dir.path(), period, ui); }

    // CODE, INCLUDE and NEWCODE of the open table from its first row in its
    // current order; with the description too when asked.
    std::vector<Record> rows(XbaseTable& table, bool withDescription = false) {
        std::vector<Record> result;
        for (table.First(); !table.Eof(); table.Next()) {
            result.push_back(
                {table.GetText("CODE"), table.GetText("INCLUDE"), table.GetText("NEWCODE")});
            if (withDescription) result.back().push_back(table.GetText(kind().descriptionField));
        }
        return result;
    }
    bool placement() const { return std::string(kind().name) == "BANPLACE"; }

    // A table holding `codes` after a first build, with the user's choices.
    void userTable(const std::vector<Record>& choices) {
        std::vector<Record> records;
        for (const Record& c : choices) records.push_back({c[0], "OLD " + c[0], "X"});
        source(1, records);
        open();
        build(1);
        codes.SetIndexName("");
        codes.First();
        for (const Record& c : choices) {
            codes.Edit();
            codes.SetText("INCLUDE", c[1]);
            codes.SetText("NEWCODE", c[2]);
            codes.Post();
            codes.Next();
        }
        open();
    }

    DataDirectory dir{"codes"};
    ScriptedUserInterface ui;
    XbaseTable codes;
    XbaseTable sourceTable;
    XbaseTable previous;
};

INSTANTIATE_TEST_SUITE_P(BothTables, CodeTablesTest, ::testing::Values(kPlacement, kTest),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_P(CodeTablesTest, OpeningCreatesAMissingTableWithItsTagAndDropsAStaleIndex) {
    dir.writeBytes(file(".cdx"), "not an index left from an older table");
    open();
    ASSERT_TRUE(codes.Active());
    EXPECT_TRUE(codes.IsEmpty());
    EXPECT_EQ(codes.TagNames(), std::vector<std::string>{"CODE"});
    EXPECT_EQ(codes.IndexName(), "CODE");
    const FieldList& fields = codes.Fields();
    ASSERT_EQ(fields.size(), 4u);
    const std::vector<std::tuple<std::string, char, int>> expected = {
        {"CODE", 'C', 4},
        {"INCLUDE", 'L', 1},
        {"NEWCODE", 'C', 4},
        {kind().descriptionField, 'C', kind().descriptionWidth}};
    for (std::size_t i = 0; i < fields.size(); ++i) {
        EXPECT_EQ(fields[i].name, std::get<0>(expected[i]));
        EXPECT_EQ(fields[i].type, std::get<1>(expected[i]));
        EXPECT_EQ(fields[i].length, std::get<2>(expected[i]));
    }
    EXPECT_TRUE(ui.messages().empty());
}

TEST_P(CodeTablesTest, OpeningShowsTheRowsInCodeOrderFromTheFirst) {
    source(1, {{"RD", "R", "F"}, {"AL", "A", "F"}, {"MA", "M", "F"}});
    open();
    build(1);
    codes.Last();
    open();
    EXPECT_EQ(codes.GetText("CODE"), "AL");
    std::vector<std::string> order;
    for (const Record& r : rows(codes)) order.push_back(r[0]);
    EXPECT_EQ(order, (std::vector<std::string>{"AL", "MA", "RD"}));
}

TEST_P(CodeTablesTest, ATableWithoutItsIndexOpensInRecordOrder) {
    source(1, {{"RD", "R", "F"}, {"AL", "A", "F"}});
    open();
    build(1);
    codes.Close();
    ASSERT_TRUE(deleteFile(dir.path() + file(".cdx")));
    open();
    EXPECT_EQ(codes.IndexName(), "");
    EXPECT_EQ(codes.GetText("CODE"), "RD");
    EXPECT_FALSE(dir.exists(file(".cdx")));
}

TEST_P(CodeTablesTest, OpeningAgainPostsAValueTypedButNotPosted) {
    source(1, {{"RD", "R", "F"}});
    open();
    build(1);
    codes.Edit();
    codes.SetText("NEWCODE", "RDG");
    open();
    EXPECT_EQ(codes.GetText("NEWCODE"), "RDG");
}

TEST_P(CodeTablesTest, BuildOnAnEmptyTableFillsItWithoutAQuestion) {
    source(2, {{"EN01", "ENGLISH ONE", "FIRST"}, {"EN01", "AGAIN", ""}, {"S1", "SCORE", "F9"}});
    open();
    codes.SetIndexName("");
    build(2);
    EXPECT_TRUE(ui.messages().empty());
    EXPECT_FALSE(dir.exists("BANTEMP.DBF"));
    EXPECT_FALSE(sourceTable.Active());
    EXPECT_EQ(codes.GetText("CODE"), "EN01");  // on the first row
    // A score code's test keeps its bare name; a placement keeps its comment.
    const std::vector<Record> expected = {{"EN01", "F", "EN01", "ENGLISH ONE FIRST"},
                                          {"EN01", "F", "EN01", "AGAIN"},
                                          {"S1", "F", "S1", placement() ? "SCORE F9" : "SCORE"}};
    EXPECT_EQ(rows(codes, true), expected);
}

TEST_P(CodeTablesTest, BuildAnsweredCancelLeavesEveryFileAsItWas) {
    userTable({{"A1", "T", "X1"}});
    codes.Close();
    dir.writeBytes("BANTEMP.DBF", "an older rebuild's table");
    const std::string dbf = dir.bytes(file(".dbf"));
    const std::string cdx = dir.bytes(file(".cdx"));
    source(2, {{"B2", "NEW", "F"}});
    open();
    ui.queueAnswer(Answer::Cancel);
    build(2);
    ASSERT_EQ(ui.messages().size(), 1u);
    const RecordedMessage& question = ui.messages()[0];
    EXPECT_EQ(question.title, "Confirm");
    EXPECT_EQ(question.text, kind().question);
    EXPECT_EQ(question.icon, MessageIcon::Question);
    EXPECT_EQ(question.buttons, MessageButtons::YesCancel);
    codes.Close();
    EXPECT_EQ(dir.bytes(file(".dbf")), dbf);
    EXPECT_EQ(dir.bytes(file(".cdx")), cdx);
    EXPECT_EQ(dir.bytes("BANTEMP.DBF"), "an older rebuild's table");
}

TEST_P(CodeTablesTest, RebuildKeepsTheUsersTranslationsAndDropsCodesThatLeft) {
    userTable({{"A1", "T", "X1"}, {"C3", "T", "Z3"}});
    source(2, {{"B2", "NEW B2", "F"}, {"A1", "NEW A1", "F"}});
    ui.queueAnswer(Answer::Yes);
    build(2);
    ASSERT_EQ(ui.messages().size(), 1u);
    EXPECT_EQ(codes.IndexName(), "CODE");
    EXPECT_EQ(codes.GetText("CODE"), "A1");
    EXPECT_EQ(rows(codes, true),
              (std::vector<Record>{{"A1", "T", "X1", "NEW A1 F"}, {"B2", "F", "B2", "NEW B2 F"}}));
    EXPECT_FALSE(previous.Active());
    // The old rows stay in BANTEMP until the next rebuild.
    EXPECT_EQ(dir.read("", "BANTEMP", {"CODE", "INCLUDE", "NEWCODE"}),
              (std::vector<Record>{{"A1", "T", "X1"}, {"C3", "T", "Z3"}}));
}

TEST_P(CodeTablesTest, RepeatedCodesTakeTheFirstOldRowsValues) {
    userTable({{"A1", "T", "X1"}, {"A1", "F", "Y1"}});
    source(2, {{"A1", "ONE", "F"}, {"A1", "TWO", "F"}});
    ui.queueAnswer(Answer::Yes);
    build(2);
    EXPECT_EQ(rows(codes), (std::vector<Record>{{"A1", "T", "X1"}, {"A1", "T", "X1"}}));
}

TEST_P(CodeTablesTest, AValueTypedButNotPostedSurvivesTheRebuild) {
    userTable({{"A1", "F", "A1"}});
    codes.Edit();
    codes.SetText("INCLUDE", "T");
    codes.SetText("NEWCODE", "ZZ");
    source(2, {{"A1", "ONE", "F"}});
    ui.queueAnswer(Answer::Yes);
    build(2);
    EXPECT_EQ(rows(codes), (std::vector<Record>{{"A1", "T", "ZZ"}}));
}

TEST_P(CodeTablesTest, AnOldTableWithoutItsIndexStillKeepsItsTranslations) {
    userTable({{"A1", "T", "X1"}});
    codes.Close();
    ASSERT_TRUE(deleteFile(dir.path() + file(".cdx")));
    open();
    source(2, {{"A1", "ONE", "F"}, {"B2", "TWO", "F"}});
    ui.queueAnswer(Answer::Yes);
    build(2);
    EXPECT_EQ(rows(codes), (std::vector<Record>{{"A1", "T", "X1"}, {"B2", "F", "B2"}}));
}

TEST_P(CodeTablesTest, OldFilesThatCannotBeMovedAsideStopTheRebuildAndStay) {
    userTable({{"A1", "T", "X1"}});
    codes.Close();
    const std::string dbf = dir.bytes(file(".dbf"));
    const std::string cdx = dir.bytes(file(".cdx"));
    // A directory in BANTEMP.DBF's place takes neither a delete nor a rename.
    dir.makeDirectory("BANTEMP.DBF");
    dir.writeBytes("BANTEMP.DBF\\keep", "x");
    source(2, {{"B2", "TWO", "F"}});
    open();
    ui.queueAnswer(Answer::Yes);
    try {
        build(2);
        FAIL() << "the rebuild went on";
    } catch (const MarkliftError& error) {
        EXPECT_EQ(std::string(error.what()), "Unable to rename " + dir.path() + file(".DBF") +
                                                 " to " + dir.path() +
                                                 "BANTEMP.DBF. The code table was not rebuilt.");
    }
    ASSERT_TRUE(codes.Active());
    EXPECT_EQ(codes.IndexName(), "CODE");
    EXPECT_EQ(rows(codes), (std::vector<Record>{{"A1", "T", "X1"}}));
    codes.Close();
    EXPECT_EQ(dir.bytes(file(".dbf")), dbf);
    EXPECT_EQ(dir.bytes(file(".cdx")), cdx);
    EXPECT_FALSE(dir.exists("BANTEMP.CDX"));
}

TEST_P(CodeTablesTest, ARebuildThatDoesNotCompleteLeavesTheTableAsItWas) {
    struct WayOut {
        const char* what;
        int period;
        std::function<void()> arrange;
        bool programEnds;  // the user gave up opening a table
    };
    const WayOut ways[] = {
        {"the user gives up on a missing source", 3,
         [&] {
             dir.makeDirectory("DELVTP3");
             ui.queueAnswer(Answer::Yes);
             ui.queueAnswer(Answer::Cancel);
         },
         true},
        {"the source lacks the description's fields", 4,
         [&] {
             dir.createTable("DELVTP4\\", kind().sourceTable, "CODE,C,4,0;", {{{"CODE", "B2"}}});
             ui.queueAnswer(Answer::Yes);
         },
         false},
    };
    for (const WayOut& way : ways) {
        SCOPED_TRACE(way.what);
        codes.Close();
        for (const std::string& name : {file(".dbf"), file(".cdx"), std::string("BANTEMP.DBF")})
            deleteFile(dir.path() + name);
        userTable({{"A1", "T", "X1"}, {"C3", "F", "Z3"}});
        codes.Close();
        dir.writeBytes("BANTEMP.DBF", "an older rebuild's table");
        way.arrange();
        const std::string dbf = dir.bytes(file(".dbf"));
        const std::string cdx = dir.bytes(file(".cdx"));
        const std::vector<std::string> files = dir.entries();
        open();
        if (way.programEnds)
            EXPECT_THROW(build(way.period), ProgramCancelled);
        else
            EXPECT_THROW(build(way.period), EXbaseError);
        EXPECT_FALSE(sourceTable.Active());
        EXPECT_FALSE(previous.Active());
        // Unless the program is ending, the grid goes on showing the old rows.
        EXPECT_EQ(codes.Active(), !way.programEnds);
        if (codes.Active()) {
            EXPECT_EQ(codes.IndexName(), "CODE");
            EXPECT_EQ(rows(codes), (std::vector<Record>{{"A1", "T", "X1"}, {"C3", "F", "Z3"}}));
        }
        codes.Close();
        EXPECT_EQ(dir.bytes(file(".dbf")), dbf);
        EXPECT_EQ(dir.bytes(file(".cdx")), cdx);
        EXPECT_EQ(dir.bytes("BANTEMP.DBF"), "an older rebuild's table");
        EXPECT_EQ(dir.entries(), files);
    }
}

// An empty table is filled in place; one whose fill stops keeps no
// half-made row that showing the page again would post.
TEST_P(CodeTablesTest, AFillThatStopsLeavesTheTableEmpty) {
    dir.createTable("DELVTP4\\", kind().sourceTable, "CODE,C,4,0;", {{{"CODE", "B2"}}});
    open();
    EXPECT_THROW(build(4), EXbaseError);
    EXPECT_FALSE(sourceTable.Active());
    open();
    EXPECT_TRUE(codes.IsEmpty());
}

// The old rows are read without their index, so an old table whose .cdx is
// gone needs no tag made for it (here BANTEMP.CDX could not be made), and
// no table stays open on any way out.
TEST_P(CodeTablesTest, AnOldTableWithoutItsIndexNeedsNoTagMadeForIt) {
    userTable({{"A1", "T", "X1"}});
    codes.Close();
    ASSERT_TRUE(deleteFile(dir.path() + file(".cdx")));
    dir.makeDirectory("BANTEMP.CDX");
    dir.writeBytes("BANTEMP.CDX\\keep", "x");
    open();
    source(2, {{"A1", "ONE", "F"}, {"B2", "TWO", "F"}});
    ui.queueAnswer(Answer::Yes);
    ui.queueAnswer(Answer::Cancel);  // should a table not open, give up rather than wait
    try {
        build(2);
    } catch (const std::exception& error) {
        ADD_FAILURE() << error.what();
    } catch (const ProgramCancelled&) {
        ADD_FAILURE() << "a table would not open";
    }
    EXPECT_FALSE(previous.Active());
    EXPECT_FALSE(sourceTable.Active());
    EXPECT_EQ(rows(codes), (std::vector<Record>{{"A1", "T", "X1"}, {"B2", "F", "B2"}}));
    EXPECT_EQ(ui.messages().size(), 1u);
}

// A row the user deleted in the grid takes no part in the next rebuild.
TEST_P(CodeTablesTest, ARebuildPassesOverDeletedRows) {
    userTable({{"A1", "T", "X1"}, {"A1", "T", "Y1"}, {"B2", "T", "Z2"}});
    codes.SetIndexName("");
    codes.First();
    codes.Delete();  // the first A1
    codes.Next();
    codes.Next();
    codes.Delete();  // B2
    source(2, {{"A1", "ONE", "F"}, {"B2", "TWO", "F"}});
    ui.queueAnswer(Answer::Yes);
    build(2);
    EXPECT_EQ(rows(codes), (std::vector<Record>{{"A1", "T", "Y1"}, {"B2", "F", "B2"}}));
}

TEST_P(CodeTablesTest, GivingUpOnAMissingSourceEndsTheAction) {
    open();
    dir.makeDirectory("DELVTP3");
    ui.queueAnswer(Answer::Cancel);
    EXPECT_THROW(build(3), ProgramCancelled);
    EXPECT_EQ(ui.messageTexts().back(), "Cancelled.  The program will be terminated.");
    EXPECT_FALSE(sourceTable.Active());
}

TEST(PlacementCodes, ALongDescriptionIsCutToTheFieldsWidth) {
    DataDirectory dir("codes");
    const std::string placement(60, 'P');
    const std::string comment(60, 'C');
    dir.createTable("DELVTP1\\", "LEVELS", kLevels,
                    {{{"CODE", "EN01"}, {"PLACEMENT", placement}, {"COMMENT", comment}}});
    ScriptedUserInterface ui;
    XbaseTable codes, source;
    OpenPlacementTable(codes, dir.path(), ui);
    FillPlacementCodes(codes, source, dir.path(), 1, ui);
    codes.First();
    EXPECT_EQ(codes.GetText("MESSAGE"), (placement + " " + comment).substr(0, 110));
}

TEST(TestCodes, OnlyScoreCodesLeaveTheFormOut) {
    struct Case {
        const char* code;
        const char* expected;
    };
    const Case cases[] = {
        {"S1", "TEST"},          // score code
        {"SWR", "TEST"},         // score code
        {"s1", "TEST FORM5"},    // lower case: an assessment code
        {"RD", "TEST FORM5"},    // assessment code
        {"", "TEST FORM5"},      // empty code
        {"EN05", "TEST FORM5"},  // a four-character code is no score code either
    };
    for (const Case& c : cases)
        EXPECT_EQ(TestDescription(c.code, "TEST", "FORM5"), c.expected) << c.code;
}

}  // namespace
