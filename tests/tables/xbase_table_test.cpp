// XbaseTable over real files: reading and writing by field name, orders kept
// right through appends, edits and packs, seeks, filters and copies.
#include "tables/xbase_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <span>
#include <vector>

#include "support/temp_directory.h"

using namespace marklift;

namespace {

const char* const kCodeTable =
    "CODE,     C, 4,0;INCLUDE,  L, 1,0;NEWCODE,  C, 4,0;MESSAGE,  C, 110,0;";
const char* const kResults = "SSN,C,11,0;CODE,C,4,0;DATE,D,8,0;SCORE,N,4,0;RETEST,C,1,0;DUP,L,1,0;";

class TableTest : public ::testing::Test {
protected:
    void open(XbaseTable& t, const std::string& name, bool exclusive = false) {
        t.SetDatabaseName(directory_.dir());
        t.SetTableName(name);
        t.SetTableType(TableType::ttCDX);
        t.SetExclusive(exclusive);
        t.Open();
    }

    void addCode(XbaseTable& t, const std::string& code, bool include = false) {
        t.Append();
        t.SetText("Code", code);
        t.SetBool("Include", include);
        t.SetText("NewCode", code);
        t.Post();
    }

    void addResult(XbaseTable& t, const std::string& ssn, const std::string& code,
                   const std::string& date, int score, const std::string& retest = "",
                   bool dup = true) {
        t.Append();
        t.SetText("SSN", ssn);
        t.SetText("CODE", code);
        if (!date.empty()) t.SetDate("DATE", *Date::fromYyyymmdd(date));
        t.SetInt("SCORE", score);
        t.SetText("RETEST", retest);
        t.SetBool("DUP", dup);
        t.Post();
    }

    std::vector<std::string> walk(XbaseTable& t, const std::string& field) {
        std::vector<std::string> values;
        for (t.First(); !t.Eof(); t.Next()) values.push_back(t.GetText(field));
        return values;
    }

    marklift::testing::TempDirectory directory_;
};

TEST_F(TableTest, FieldsReadAndWrittenByNameWithoutRegardToCase) {
    XbaseTable::CreateTable(directory_.dir() + "BANPLACE.dbf", kCodeTable);
    XbaseTable t;
    open(t, "BANPLACE");
    t.CreateIndex("CODE", "CODE");
    addCode(t, "RD");
    addCode(t, "ENG1", true);
    t.SetIndexName("Code");
    t.First();
    EXPECT_EQ(t.GetText("code"), "ENG1");
    EXPECT_TRUE(t.GetBool("INCLUDE"));
    t.Next();
    // Two letters in a four-character field read back as two letters.
    EXPECT_EQ(t.GetText("CODE"), "RD");
    EXPECT_EQ(t.GetText("CODE").size(), 2u);
    EXPECT_THROW(t.GetText("NOSUCH"), EXbaseError);
}

TEST_F(TableTest, SeekMatchesTheWholePaddedKeyAndReturnsOnFailure) {
    XbaseTable::CreateTable(directory_.dir() + "BANTEST.dbf", kCodeTable);
    XbaseTable t;
    open(t, "BANTEST");
    t.CreateIndex("CODE", "CODE");
    addCode(t, "RDAB");
    addCode(t, "ZZ");
    addCode(t, "RD");
    addCode(t, "RD");
    t.SetIndexName("CODE");

    ASSERT_TRUE(t.SeekKey("RD"));
    EXPECT_EQ(t.RecNo(), 3u);  // the first of two equal keys, in record order
    EXPECT_EQ(t.GetText("CODE"), "RD");

    t.SeekKey("ZZ");
    ASSERT_EQ(t.RecNo(), 2u);
    EXPECT_FALSE(t.SeekKey("RDA"));
    EXPECT_EQ(t.RecNo(), 2u);

    t.Last();
    t.Next();
    ASSERT_TRUE(t.Eof());
    EXPECT_FALSE(t.SeekKey("QQ"));
    EXPECT_EQ(t.RecNo(), 2u) << "past the end, a failed seek lands on the last record";

    EXPECT_TRUE(t.SeekNearest("RDA"));
    EXPECT_EQ(t.GetText("CODE"), "RDAB");
}

TEST_F(TableTest, DeletingInsideALoopNeitherSkipsNorStops) {
    XbaseTable::CreateTable(directory_.dir() + "W.dbf", kResults);
    XbaseTable t;
    open(t, "W", true);
    for (int i = 1; i <= 6; ++i) addResult(t, "000-00-000" + std::to_string(i), "RD", "", i);
    std::vector<std::uint32_t> visited;
    for (t.First(); !t.Eof(); t.Next()) {
        visited.push_back(t.RecNo());
        if (t.RecNo() == 2 || t.RecNo() == 3) t.Delete();
    }
    EXPECT_EQ(visited, (std::vector<std::uint32_t>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(t.RecordCount(), 6u) << "deleted records count until the pack";
    t.Pack();
    EXPECT_EQ(t.RecordCount(), 4u);
    EXPECT_EQ(walk(t, "SSN"), (std::vector<std::string>{"000-00-0001", "000-00-0004", "000-00-0005",
                                                        "000-00-0006"}));
}

TEST_F(TableTest, TagsStayRightThroughAppendEditDeleteAndPack) {
    XbaseTable::CreateTable(directory_.dir() + "W.dbf", kResults);
    {
        XbaseTable t;
        open(t, "W", true);
        t.CreateIndex("SSN", "SSN");
        t.CreateIndex("DATE", "DATE");
        addResult(t, "333", "A", "20040301", 1);
        addResult(t, "111", "B", "", 2);
        addResult(t, "222", "C", "20031231", 3);
        t.SetIndexName("SSN");
        ASSERT_TRUE(t.SeekKey("333"));
        t.Edit();
        t.SetText("SSN", "000");
        t.Post();
        EXPECT_EQ(walk(t, "SSN"), (std::vector<std::string>{"000", "111", "222"}));
        t.SeekKey("111");
        t.Delete();
        t.Pack();
        t.Close();
    }
    XbaseTable t;
    open(t, "W");
    t.SetIndexName("SSN");
    EXPECT_EQ(walk(t, "SSN"), (std::vector<std::string>{"000", "222"}));
    t.SetIndexName("DATE");
    EXPECT_EQ(walk(t, "CODE"), (std::vector<std::string>{"C", "A"}));
    EXPECT_TRUE(t.SeekKey("20040301"));
    EXPECT_EQ(t.GetText("CODE"), "A");
}

TEST_F(TableTest, CopyHonoursTheFilterOnlyWhenAskedAndNeverCopiesDeletedRecords) {
    XbaseTable::CreateTable(directory_.dir() + "SRC.dbf", kResults);
    XbaseTable::CreateTable(directory_.dir() + "DST.dbf",
                            "SSN,C,5,0;SCORE,N,4,0;DATE,D,8,0;EXTRA,C,3,0;");
    XbaseTable src;
    open(src, "SRC", true);
    addResult(src, "123-45-6789", "RD", "20040115", 7, "N");
    addResult(src, "222-22-2222", "RD", "20040116", 8, "Y");
    addResult(src, "333-33-3333", "RD", "20040201", 9, "");
    addResult(src, "444-44-4444", "RD", "20040117", 10, "Y");
    src.Last();
    src.Delete();
    src.SetFilter(
        "(DTOS(Date) >= \"20040101\") .and. (DTOS(Date) <= \"20040131\") .and. (retest <> \"N\")");

    struct Case {
        FilterOptions options;
        std::vector<std::string> ssns;
    };
    for (const Case& c : {Case{FilterOptions::RESPECT_WHEN_COUNTING, {"222-2"}},
                          Case{FilterOptions::IGNORE_WHEN_COUNTING, {"123-4", "222-2", "333-3"}}}) {
        XbaseTable::CreateTable(directory_.dir() + "DST.dbf",
                                "SSN,C,5,0;SCORE,N,4,0;DATE,D,8,0;EXTRA,C,3,0;");
        XbaseTable dst;
        open(dst, "DST");
        src.SetFilterOptions(c.options);
        src.CopyContentsTo(dst);
        EXPECT_EQ(walk(dst, "SSN"), c.ssns);
        dst.First();
        EXPECT_EQ(dst.GetText("EXTRA"), "");
        EXPECT_EQ(dst.GetInt("SCORE"), c.options == FilterOptions::RESPECT_WHEN_COUNTING ? 8 : 7);
    }
    // Counting sees what navigation sees: the deleted record passes too.
    src.SetFilterOptions(FilterOptions::RESPECT_WHEN_COUNTING);
    EXPECT_EQ(src.RecordCount(), 2u);
    src.SetFilterOptions(FilterOptions::IGNORE_WHEN_COUNTING);
    EXPECT_EQ(src.RecordCount(), 4u);
}

TEST_F(TableTest, ExclusiveOpeningKeepsOutEveryOtherOpener) {
    XbaseTable::CreateTable(directory_.dir() + "W.dbf", kResults);
    XbaseTable first;
    open(first, "W", true);
    XbaseTable second;
    EXPECT_THROW(open(second, "W"), EXbaseError);
    first.Close();
    open(second, "W");
    XbaseTable third;
    EXPECT_NO_THROW(open(third, "W")) << "shared openers share";
    XbaseTable fourth;
    EXPECT_THROW(open(fourth, "W", true), EXbaseError);
}

TEST_F(TableTest, ReadOnlyTablesRefuseWrites) {
    XbaseTable::CreateTable(directory_.dir() + "W.dbf", kResults);
    XbaseTable t;
    t.SetDatabaseName(directory_.dir());
    t.SetTableName("w.DBF");
    t.SetReadOnly(true);
    t.Open();
    EXPECT_THROW(t.Append(), EXbaseError);
}

TEST_F(TableTest, CreateTableReplacesAnExistingFile) {
    XbaseTable::CreateTable(directory_.dir() + "W.dbf", kResults);
    {
        XbaseTable t;
        open(t, "W");
        addResult(t, "1", "A", "", 1);
    }
    XbaseTable::CreateTable(directory_.dir() + "W.dbf", kCodeTable);
    XbaseTable t;
    open(t, "W");
    EXPECT_EQ(t.RecordCount(), 0u);
    EXPECT_NE(t.Fields().find("MESSAGE"), nullptr);
}

TEST_F(TableTest, AMoveAwayPostsThePendingEdit) {
    XbaseTable::CreateTable(directory_.dir() + "BANPLACE.dbf", kCodeTable);
    XbaseTable t;
    open(t, "BANPLACE");
    addCode(t, "AA");
    addCode(t, "BB");
    t.First();
    t.Edit();
    t.SetText("NEWCODE", "XX");
    t.Next();
    t.First();
    EXPECT_EQ(t.GetText("NEWCODE"), "XX");
}

}  // namespace

TEST_F(TableTest, PositionsFollowTheActiveOrderAndRefuseAFilter) {
    XbaseTable::CreateTable(directory_.dir() + "BANTEST.dbf", kCodeTable);
    XbaseTable t;
    open(t, "BANTEST");
    t.CreateIndex("CODE", "CODE");
    for (const char* code : {"MA", "EN", "RD", "AB"}) addCode(t, code);
    int notices = 0;
    t.AddListener([&notices] { ++notices; });

    // Record order: position is record number - 1.
    t.GotoPosition(2);
    EXPECT_EQ(t.GetText("CODE"), "RD");
    EXPECT_EQ(t.Position(), 2);

    // In the tag, positions walk the keys; the current record keeps its place.
    t.SetIndexName("CODE");
    EXPECT_EQ(t.Position(), 3);  // RD after AB, EN, MA
    const std::vector<std::string> expected = {"AB", "EN", "MA", "RD"};
    for (std::uint32_t p = 0; p < expected.size(); ++p) {
        t.GotoPosition(p);
        EXPECT_EQ(t.GetText("CODE"), expected[p]) << "position " << p;
        EXPECT_EQ(t.Position(), std::int64_t(p));
    }
    t.SeekNearest("E");
    EXPECT_EQ(t.Position(), 1);
    // Position and walking agree: one step from a position is the next one.
    t.GotoPosition(1);
    t.Next();
    EXPECT_EQ(t.Position(), 2);

    notices = 0;
    t.GotoPosition(0);
    EXPECT_EQ(notices, 1) << "a view bound to the table hears of the move";
    EXPECT_THROW(t.GotoPosition(4), EXbaseError);
    EXPECT_EQ(t.GetText("CODE"), "AB") << "a refused move stays put";

    t.Last();
    t.Next();
    EXPECT_EQ(t.Position(), -1) << "past the end there is no current record";

    t.SetFilter("CODE = \"M\"");
    EXPECT_THROW(t.Position(), EXbaseError);
    EXPECT_THROW(t.GotoPosition(0), EXbaseError);
}

// Select All's walk without the walk: the bookmarks of the order (or of the
// record order), the filter applied, the cursor where it was.
TEST_F(TableTest, BookmarksAreTheWalkWithoutMovingTheCursor) {
    XbaseTable::CreateTable(directory_.dir() + "RESULTS.dbf", kResults);
    XbaseTable t;
    open(t, "RESULTS");
    t.CreateIndex("SSN", "SSN");
    for (const char* ssn : {"333", "111", "222", "111", "000"}) addResult(t, ssn, "RD", "", 1);
    auto walked = [&] {
        std::vector<Bookmark> bookmarks;
        for (t.First(); !t.Eof(); t.Next()) bookmarks.push_back(t.GetBookmark());
        return bookmarks;
    };
    EXPECT_EQ(t.Bookmarks(), (std::vector<Bookmark>{1, 2, 3, 4, 5}));
    t.SetIndexName("SSN");
    const std::vector<Bookmark> inOrder = {5, 2, 4, 3, 1};
    EXPECT_EQ(walked(), inOrder);
    t.GotoBookmark(3);
    EXPECT_EQ(t.Bookmarks(), inOrder);
    EXPECT_EQ(t.RecNo(), 3u);
    EXPECT_EQ(t.Position(), 3);
    t.SetFilter("SSN = \"1\"");
    EXPECT_EQ(t.Bookmarks(), (std::vector<Bookmark>{2, 4}));
    EXPECT_EQ(t.Bookmarks(), walked());
}

// Another order's bookmarks, whether its keys are in memory or still in the
// file: the active order and the cursor stay as they were.
TEST_F(TableTest, BookmarksOfANamedOrderLeaveTheTableAsItWas) {
    XbaseTable::CreateTable(directory_.dir() + "RESULTS.dbf", kResults);
    XbaseTable t;
    open(t, "RESULTS");
    t.CreateIndex("SSN", "SSN");
    t.CreateIndex("CODE", "CODE");
    for (const auto& [ssn, code] : std::vector<std::pair<const char*, const char*>>{
             {"333", "B"}, {"111", "A"}, {"222", "C"}, {"111", "A"}, {"000", "B"}})
        addResult(t, ssn, code, "", 1);
    const std::vector<Bookmark> bySsn = {5, 2, 4, 3, 1};
    const std::vector<Bookmark> byCode = {2, 4, 1, 5, 3};
    t.SetIndexName("CODE");
    t.GotoBookmark(5);
    EXPECT_EQ(t.Bookmarks("ssn"), bySsn) << "in memory";
    t.Close();

    open(t, "RESULTS");
    EXPECT_EQ(t.Bookmarks("SSN"), bySsn) << "still in the file";
    EXPECT_EQ(t.Bookmarks("CODE"), byCode);
    EXPECT_EQ(t.IndexName(), "");
    EXPECT_EQ(t.RecNo(), 1u);
    t.SetFilter("CODE = \"B\"");
    EXPECT_EQ(t.Bookmarks("SSN"), (std::vector<Bookmark>{5, 1}));
    EXPECT_THROW(t.Bookmarks("NOSUCH"), EXbaseError);
}

// Visiting an order's records by bookmark, in order and out of it, with
// equal keys and with the records read ahead, puts the cursor on each at
// its place in the order, as walking there would.
TEST_F(TableTest, VisitsByBookmarkFindEachRecordsPlaceInTheOrder) {
    XbaseTable::CreateTable(directory_.dir() + "RESULTS.dbf", kResults);
    XbaseTable t;
    open(t, "RESULTS");
    t.CreateIndex("SSN", "SSN");
    for (int n = 0; n < 300; ++n) addResult(t, std::to_string(n % 37), "RD", "", n);
    t.Flush();
    t.SetIndexName("SSN");
    std::vector<Bookmark> bookmarks;
    std::map<Bookmark, std::int64_t> places;
    for (t.First(); !t.Eof(); t.Next()) {
        places[t.GetBookmark()] = t.Position();
        bookmarks.push_back(t.GetBookmark());
    }
    std::vector<Bookmark> backwards(bookmarks.rbegin(), bookmarks.rend());
    for (const std::vector<Bookmark>* visits : {&bookmarks, &backwards}) {
        std::size_t readUpTo = 0;
        for (std::size_t i = 0; i < visits->size(); ++i) {
            if (i == readUpTo) readUpTo = i + t.ReadAhead(std::span(*visits).subspan(i));
            t.GotoBookmark((*visits)[i]);
            ASSERT_EQ(t.Position(), places[(*visits)[i]]) << i;
            ASSERT_EQ(t.GetInt("SCORE"), std::int64_t((*visits)[i]) - 1);
        }
    }
    t.Next();
    EXPECT_EQ(t.Position(), 1) << "the walk goes on from the last visit";
    // An edit after reading ahead is what a visit sees.
    t.ReadAhead(bookmarks);
    t.GotoBookmark(7);
    t.Edit();
    t.SetInt("SCORE", 777);
    t.Post();
    t.GotoBookmark(8);
    t.GotoBookmark(7);
    EXPECT_EQ(t.GetInt("SCORE"), 777);
}

// Fields found once read and write as by name, and one table's field is
// refused by another.
TEST_F(TableTest, FieldsFoundOnceServeOnlyTheirTable) {
    XbaseTable::CreateTable(directory_.dir() + "RESULTS.dbf", kResults);
    XbaseTable::CreateTable(directory_.dir() + "OTHER.dbf", kResults);
    XbaseTable t, other;
    open(t, "RESULTS");
    open(other, "OTHER");
    addResult(t, "123-45-6789", "RD", "20240315", 42);
    const FieldDef& ssn = t.Field("ssn");
    const FieldDef& date = t.Field("DATE");
    EXPECT_EQ(t.GetText(ssn), "123-45-6789");
    EXPECT_EQ(t.GetRaw(t.Field("CODE")), "RD  ");
    EXPECT_EQ(t.GetDate(date), Date::fromYmd(2024, 3, 15));
    EXPECT_EQ(t.GetInt(t.Field("SCORE")), 42);
    t.Edit();
    t.SetText(ssn, "999");
    t.SetDate(date, Date::fromYmd(2025, 1, 2));
    t.Post();
    EXPECT_EQ(t.GetText("SSN"), "999");
    EXPECT_EQ(t.GetText("DATE"), "01/02/2025");
    EXPECT_THROW(t.Field("NOSUCH"), EXbaseError);
    addResult(other, "1", "RD", "", 1);
    EXPECT_THROW(other.GetText(ssn), EXbaseError);
    other.Edit();
    EXPECT_THROW(other.SetText(ssn, "x"), EXbaseError);
}

// A tag over a table large enough to be built in parts, each part reading
// its records from the file on a thread of its own, walks as one built
// record by record would: by key, equal keys by record number, dates in
// date order with blank ones first.
TEST_F(TableTest, ATagOfAManyRecordsTableIsBuiltInPartsFromTheFile) {
    XbaseTable::CreateTable(directory_.dir() + "MANY.dbf", kResults);
    XbaseTable t;
    open(t, "MANY", true);
    const int count = 200000;
    std::vector<std::pair<std::string, Bookmark>> bySsn;
    std::vector<std::pair<std::string, Bookmark>> byDate;
    for (int n = 0; n < count; ++n) {
        const std::string ssn = std::to_string(n * 7919 % 1000);
        const std::string date =
            n % 11 == 0 ? "" : "2024" + std::to_string(10 + n % 3) + "1" + std::to_string(n % 10);
        addResult(t, ssn, "RD", date, n % 1000);
        bySsn.emplace_back(ssn, Bookmark(n + 1));
        byDate.emplace_back(date, Bookmark(n + 1));
    }
    t.Flush();
    t.CreateIndex("SSN", "SSN");
    t.CreateIndex("DATE", "DATE");
    for (auto* expected : {&bySsn, &byDate}) {
        std::sort(expected->begin(), expected->end());
        t.SetIndexName(expected == &bySsn ? "SSN" : "DATE");
        std::vector<Bookmark> walked = t.Bookmarks();
        ASSERT_EQ(walked.size(), expected->size());
        for (std::size_t i = 0; i < walked.size(); ++i)
            ASSERT_EQ(walked[i], (*expected)[i].second) << i;
    }
}
