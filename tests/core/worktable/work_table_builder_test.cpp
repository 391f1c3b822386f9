// BuildWorkTable over small ZOLT periods written by the test: which records
// are gathered, how each is completed and translated, what is removed and
// packed, what the caller sees, and how every way out leaves things.
#include "core/worktable/work_table_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <functional>
#include <map>

#include "core/session/program_error.h"
#include "core/worktable/code_tables.h"
#include "support/data_directory.h"
#include "support/scripted_user_interface.h"

using namespace marklift;
using marklift::testing::DataDirectory;
using marklift::testing::Row;

namespace {

using Record = std::vector<std::string>;

const char kPeriod[] = "DELVTP1\\";
const char kPlacementDefinitions[] =
    "SSN,C,11,0;LNAME,C,15,0;FNAME,C,12,0;MNAME,C,1,0;CODE,C,4,0;DATE,D,8,0;"
    "GRPNUMBER,C,7,0;ATTEMPT,N,3,0;";
const char kResultDefinitions[] =
    "SSN,C,11,0;CODE,C,4,0;DATE,D,8,0;CORRECT,N,3,0;SCORE,N,4,0;ATTEMPT,N,3,0;SS1,N,2,0;"
    "SS2,N,2,0;SS3,N,2,0;SS4,N,2,0;SS5,N,2,0;SS6,N,2,0;SS7,N,2,0;SS8,N,2,0;SS9,N,2,0;"
    "SS10,N,2,0;GRPNUMBER,C,7,0;";
const char kStudentDefinitions[] =
    "SSN,C,11,0;LNAME,C,15,0;FNAME,C,12,0;MNAME,C,1,0;BIRTHDATE,D,8,0;";

// A status line and progress bar that remember everything they were told.
class RecordingProgress : public BuildProgress {
public:
    explicit RecordingProgress(const ScriptedUserInterface& ui) : ui_(ui) {}

    void setStatus(const std::string& text) override {
        statuses.push_back(text);
        busyAtStatus.push_back(ui_.busyDepth());
        if (onStatus) onStatus(text);
    }
    void setRange(int min, int max) override { ranges.emplace_back(min, max); }
    void setPosition(int position) override { positions.push_back(position); }

    std::vector<std::string> statuses;
    std::vector<int> busyAtStatus;
    std::vector<std::pair<int, int>> ranges;
    std::vector<int> positions;
    std::function<void(const std::string&)> onStatus;

private:
    const ScriptedUserInterface& ui_;
};

Row Placement(const std::string& ssn, const std::string& code, const std::string& date = "20040310",
              const std::string& duplicate = "T") {
    return {{"SSN", ssn}, {"CODE", code}, {"DATE", date}, {"DUPLICATE", duplicate}};
}

Row Result(const std::string& ssn, const std::string& code, const std::string& correct = "",
           const std::string& score = "", const std::string& date = "20040310",
           const std::string& retest = "") {
    return {{"SSN", ssn},         {"CODE", code},   {"DATE", date},
            {"CORRECT", correct}, {"SCORE", score}, {"RETEST", retest}};
}

Row Student(const std::string& ssn, const std::string& lname, const std::string& fname,
            const std::string& mname, const std::string& birthdate) {
    return {{"SSN", ssn},
            {"LNAME", lname},
            {"FNAME", fname},
            {"MNAME", mname},
            {"BIRTHDATE", birthdate}};
}

// Row without the fields a table lacks, so one helper serves master and
// temporary tables alike.
Row Only(const Row& row, const std::string& definitions) {
    std::string upper = definitions;
    std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
    Row kept;
    for (const auto& field : row)
        if (upper.find(field.first + ",") == 0 ||
            upper.find(";" + field.first + ",") != std::string::npos)
            kept.push_back(field);
    return kept;
}

class BuilderTest : public ::testing::Test {
protected:
    BuilderTest() {
        settings.DataPath = dir.path();
        settings.PeriodDir = kPeriod;
        settings.SearchTemporary = true;
        settings.IncludePlacementRecords = true;
        settings.IncludeAssessmentRecords = true;
        settings.IncludeScoreRecords = true;
        for (const auto& [name, definitions] : Tables())
            dir.createTable(kPeriod, name, definitions);
        students({}, {});
    }

    // ZOLT's six gathered tables and their fields.
    static std::vector<std::pair<std::string, std::string>> Tables() {
        const std::string place = kPlacementDefinitions;
        const std::string result = kResultDefinitions;
        return {{"PLACE", place + "DUPLICATE,L,1,0;"}, {"PLACTEMP", place},
                {"ASSESS", result + "RETEST,C,1,0;"},  {"ASSETEMP", result},
                {"SCORES", result + "RETEST,C,1,0;"},  {"SCORTEMP", result}};
    }

    // Appends `rows` to a gathered table, leaving out fields it lacks.
    void add(const std::string& table, const std::vector<Row>& rows) {
        std::string definitions;
        for (const auto& [name, defs] : Tables())
            if (name == table) definitions = defs;
        std::vector<Row> kept;
        for (const Row& row : rows) kept.push_back(Only(row, definitions));
        dir.appendRows(kPeriod, table, kept, TableType::ttNTX);
    }
    // The same rows in the master and the temporary table of a kind.
    void addBoth(const std::string& master, const std::string& temporary,
                 const std::vector<Row>& rows) {
        add(master, rows);
        add(temporary, rows);
    }

    void students(const std::vector<Row>& master, const std::vector<Row>& temporary) {
        dir.createTable(kPeriod, "STUDENT", kStudentDefinitions, master);
        dir.writeNtx(kPeriod, "STUDENT", "SSN", "SSN");
        dir.createTable(kPeriod, "STUDTEMP", kStudentDefinitions, temporary);
        dir.writeNtx(kPeriod, "STUDTEMP", "SSN", "SSNTEMP");
    }

    void deleteRecord(const std::string& table, Bookmark recno) {
        XbaseTable t;
        t.SetDatabaseName(dir.path() + kPeriod);
        t.SetTableName(table);
        t.SetTableType(TableType::ttNTX);
        t.Open();
        t.GotoBookmark(recno);
        t.Delete();
        t.Close();
    }

    // A code table from (code, include, new code) rows, each marked deleted
    // when asked, as the grid's Ctrl+Delete leaves it.
    void codeTable(bool placement, const std::vector<Record>& rows, bool deleted = false) {
        XbaseTable codes;
        if (placement)
            OpenPlacementTable(codes, dir.path(), ui);
        else
            OpenTestTable(codes, dir.path(), ui);
        for (const Record& r : rows) {
            codes.Append();
            codes.SetText("CODE", r[0]);
            codes.SetText("INCLUDE", r[1]);
            codes.SetText("NEWCODE", r[2]);
            codes.Post();
            if (deleted) codes.Delete();
        }
        codes.Close();
    }

    WorkTableSummary build(const std::string& runFilter = "") {
        WorkTableBuilder builder(ui, progress);
        return builder.BuildWorkTable(settings, runFilter);
    }

    std::vector<Record> work(const std::vector<std::string>& fields) {
        return dir.read("", "BANTABLE", fields);
    }
    std::vector<std::string> column(const std::string& field) {
        std::vector<std::string> values;
        for (const Record& r : work({field})) values.push_back(r[0]);
        return values;
    }

    // BANTABLE was closed and given up: it opens exclusively again.
    void expectWorkTableReleased() {
        XbaseTable t;
        t.SetDatabaseName(dir.path());
        t.SetTableName("BANTABLE");
        t.SetExclusive(true);
        EXPECT_NO_THROW(t.Open());
    }

    DataDirectory dir{"builder"};
    ScriptedUserInterface ui;
    RecordingProgress progress{ui};
    ProgramSettings settings;
};

// -- Translation ------------------------------------------------------------

// The code tables a run finds.
enum class CodeTables {
    None,             // no files
    Filled,           // rows for some of the codes
    Empty,            // files without a row, as opening a code page leaves them
    EveryRowDeleted,  // the filled rows, each deleted in the grid
};

struct TranslationCase {
    const char* what;
    CodeTables codeTables;
    std::vector<Record> expected;  // CODE, TESTCODE, TESTSCORE of the records kept
    std::uint32_t removed;
};

void PrintTo(const TranslationCase& c, std::ostream* out) {
    *out << c.what;
}

class TranslationTest : public BuilderTest,
                        public ::testing::WithParamInterface<TranslationCase> {};

TEST_P(TranslationTest, EveryRuleInOneBuild) {
    if (GetParam().codeTables != CodeTables::None) {
        const bool deleted = GetParam().codeTables == CodeTables::EveryRowDeleted;
        const bool rows = GetParam().codeTables != CodeTables::Empty;
        codeTable(true,
                  rows ? std::vector<Record>{{"EN05", "T", "ENG"},
                                             {"MA01", "F", "MA01"},
                                             {"RD01", "T", "    "}}
                       : std::vector<Record>{},
                  deleted);
        codeTable(false,
                  rows ? std::vector<Record>{{"RD", "T", "READ"},
                                             {"WR", "F", "WR"},
                                             {"s1", "T", "SONE"},
                                             {"SWR", "T", "SWRT"},
                                             {"S12", "T", ""}}
                       : std::vector<Record>{},
                  deleted);
    }
    add("PLACTEMP", {Placement("100-00-0001", "EN05"), Placement("100-00-0002", "MA01"),
                     Placement("100-00-0003", "RD01"), Placement("100-00-0004", "EN09")});
    add("ASSETEMP", {Result("100-00-0005", "RD", "7", "900"), Result("100-00-0006", "WR", "8"),
                     Result("100-00-0007", "EN05", "9", "910"), Result("100-00-0008", "AL", "10"),
                     Result("100-00-0009", "s1", "11", "920"), Result("100-00-0010", "", "")});
    add("SCORTEMP",
        {Result("100-00-0011", "SWR", "1", "45"), Result("100-00-0012", "S12", "2", "60"),
         Result("100-00-0013", "SMA", "3", "70"), Result("100-00-0014", "MA01", "4", "80")});
    const WorkTableSummary summary = build();
    EXPECT_EQ(work({"CODE", "TESTCODE", "TESTSCORE"}), GetParam().expected);
    EXPECT_EQ(summary.gathered, 14u);
    EXPECT_EQ(summary.removed, GetParam().removed);
    EXPECT_EQ(summary.packed, GetParam().removed > 0);
    // Every record kept was completed, whatever its translation.
    for (const std::string& id : column("ID")) EXPECT_EQ(id.substr(0, 7), "1000000");
}

// Every record under ZOLT's own code, as a run without code tables gives.
const std::vector<Record> kOwnCodes = {
    {"EN05", "EN", "05"},   {"MA01", "MA", "01"}, {"RD01", "RD", "01"},   {"EN09", "EN", "09"},
    {"RD", "RD", "0007"},   {"WR", "WR", "0008"}, {"EN05", "EN", "05"},   {"AL", "AL", "0010"},
    {"s1", "s1", "0011"},   {"", "", "0000"},     {"SWR", "SWR", "0045"}, {"S12", "S12", "0060"},
    {"SMA", "SMA", "0070"}, {"MA01", "MA", "01"}};

INSTANTIATE_TEST_SUITE_P(
    CodeTables, TranslationTest,
    ::testing::Values(TranslationCase{"WithCodeTables",
                                      CodeTables::Filled,
                                      {{"EN05", "ENG", "05"},   // selected placement
                                       {"EN09", "", ""},        // placement not in the table
                                       {"RD", "READ", "0007"},  // selected assessment: CORRECT
                                       {"EN05", "ENG", "05"},   // four characters: placement rules
                                       {"AL", "", ""},          // assessment not in the table
                                       {"s1", "SONE", "0011"},  // lower-case s: CORRECT
                                       {"", "", ""},  // empty code: an assessment not found
                                       {"SWR", "SWRT", "0045"},  // selected score: SCORE
                                       {"SMA", "", ""}},         // score not in the table
                                      5},                        // MA01 twice, RD01, WR, S12
                      TranslationCase{"WithoutCodeTables", CodeTables::None, kOwnCodes, 0},
                      // A table without a live row could only blank codes:
                      // it takes no part, as if it were not there.
                      TranslationCase{"WithEmptyCodeTables", CodeTables::Empty, kOwnCodes, 0},
                      TranslationCase{"WithEveryRowDeleted", CodeTables::EveryRowDeleted, kOwnCodes,
                                      0}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(BuilderTest, TwoExcludedRecordsInARowAreBothRemoved) {
    codeTable(true, {{"MA01", "F", "MA01"}, {"EN01", "T", "ENG"}});
    add("PLACTEMP", {Placement("100-00-0001", "EN01"), Placement("100-00-0002", "MA01"),
                     Placement("100-00-0003", "MA01"), Placement("100-00-0004", "EN01")});
    const WorkTableSummary summary = build();
    EXPECT_EQ(work({"SSN", "ID", "TESTCODE"}),
              (std::vector<Record>{{"100-00-0001", "100000001", "ENG"},
                                   {"100-00-0004", "100000004", "ENG"}}));
    EXPECT_EQ(summary.removed, 2u);
    EXPECT_TRUE(summary.packed);
}

TEST_F(BuilderTest, TheTableIsPackedOnlyWhenSomethingWasRemoved) {
    codeTable(true, {{"MA01", "F", "MA01"}});
    add("PLACTEMP", {Placement("100-00-0001", "EN01"), Placement("100-00-0002", "EN02")});
    WorkTableSummary summary = build();
    EXPECT_EQ(summary.removed, 0u);
    EXPECT_FALSE(summary.packed);
    const std::uintmax_t unpacked = std::filesystem::file_size(dir.native("BANTABLE.dbf"));

    add("PLACTEMP", {Placement("100-00-0003", "MA01")});
    summary = build();
    EXPECT_EQ(summary.gathered, 3u);
    EXPECT_EQ(summary.removed, 1u);
    EXPECT_TRUE(summary.packed);
    // The pack took the removed record out of the file.
    EXPECT_EQ(std::filesystem::file_size(dir.native("BANTABLE.dbf")), unpacked);
    EXPECT_EQ(column("SSN"), (std::vector<std::string>{"100-00-0001", "100-00-0002"}));
}

// -- Gathering --------------------------------------------------------------

struct GatherCase {
    const char* what;
    bool temporary;
    std::string runFilter;
    std::vector<std::string> expected;  // SSNs in BANTABLE, in record order
};

void PrintTo(const GatherCase& c, std::ostream* out) {
    *out << c.what;
}

class GatherTest : public BuilderTest, public ::testing::WithParamInterface<GatherCase> {};

TEST_P(GatherTest, RecordsTakenFromEachKind) {
    // 1: in range; 2: out of range. Master leaves out duplicates marked F
    // and results whose retest is exactly "N".
    addBoth("PLACE", "PLACTEMP",
            {Placement("100-00-0001", "EN01", "20040310", "T"),
             Placement("100-00-0002", "EN01", "20040310", "F"),
             Placement("100-00-0003", "EN01", "20040420", "T")});
    const std::vector<Row> results = {
        Result("200-00-0001", "RD", "1", "1", "20040301", "N"),
        Result("200-00-0002", "RD", "1", "1", "20040331", "n"),
        Result("200-00-0003", "RD", "1", "1", "20040315", ""),
        Result("200-00-0004", "RD", "1", "1", "20040229", "Y"),
        Result("200-00-0005", "RD", "1", "1", "20040315", "Y"),
    };
    addBoth("ASSESS", "ASSETEMP", results);
    std::vector<Row> scores;
    for (const Row& r : results) {
        Row s = r;
        s[0].second.replace(0, 1, "3");
        s[1].second = "SRD";
        scores.push_back(s);
    }
    addBoth("SCORES", "SCORTEMP", scores);
    // Records marked deleted in ZOLT's tables are never gathered.
    for (const char* table : {"PLACE", "PLACTEMP", "ASSESS", "ASSETEMP", "SCORES", "SCORTEMP"}) {
        add(table, {Result("999-99-9999", "EN01", "1", "1", "20040310", "Y")});
        deleteRecord(table, std::string(table).find("PLAC") == 0 ? 4 : 6);
    }
    settings.SearchTemporary = GetParam().temporary;
    build(GetParam().runFilter);
    EXPECT_EQ(column("SSN"), GetParam().expected);
}

const std::string kMarch = "(DTOS(Date) >= \"20040301\") .and. (DTOS(Date) <= \"20040331\")";

INSTANTIATE_TEST_SUITE_P(
    Sources, GatherTest,
    ::testing::Values(
        GatherCase{"TemporaryAllDates",
                   true,
                   "",
                   {"100-00-0001", "100-00-0002", "100-00-0003", "200-00-0001", "200-00-0002",
                    "200-00-0003", "200-00-0004", "200-00-0005", "300-00-0001", "300-00-0002",
                    "300-00-0003", "300-00-0004", "300-00-0005"}},
        GatherCase{"TemporaryDateRange",
                   true,
                   kMarch,
                   {"100-00-0001", "100-00-0002", "200-00-0001", "200-00-0002", "200-00-0003",
                    "200-00-0005", "300-00-0001", "300-00-0002", "300-00-0003", "300-00-0005"}},
        GatherCase{"MasterAllDates",
                   false,
                   "",
                   {"100-00-0001", "100-00-0003", "200-00-0002", "200-00-0003", "200-00-0004",
                    "200-00-0005", "300-00-0002", "300-00-0003", "300-00-0004", "300-00-0005"}},
        GatherCase{"MasterDateRange",
                   false,
                   kMarch,
                   {"100-00-0001", "200-00-0002", "200-00-0003", "200-00-0005", "300-00-0002",
                    "300-00-0003", "300-00-0005"}}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(BuilderTest, OnlyTheKindsAskedForAreGathered) {
    add("PLACTEMP", {Placement("100-00-0001", "EN01")});
    add("ASSETEMP", {Result("200-00-0001", "RD")});
    add("SCORTEMP", {Result("300-00-0001", "SRD")});
    settings.IncludePlacementRecords = false;
    build();
    EXPECT_EQ(column("SSN"), (std::vector<std::string>{"200-00-0001", "300-00-0001"}));
    EXPECT_EQ(progress.statuses,
              (std::vector<std::string>{"Adding Assessment Records", "Adding Score Records",
                                        "Processing...", ""}));
}

TEST_F(BuilderTest, NothingIncludedGivesAnEmptyTableWithItsFourTags) {
    add("PLACTEMP", {Placement("100-00-0001", "EN01")});
    settings.IncludePlacementRecords = false;
    settings.IncludeAssessmentRecords = false;
    settings.IncludeScoreRecords = false;
    const WorkTableSummary summary = build();
    EXPECT_EQ(summary.gathered, 0u);
    EXPECT_EQ(progress.statuses, (std::vector<std::string>{"Processing...", ""}));
    XbaseTable t;
    t.SetDatabaseName(dir.path());
    t.SetTableName("BANTABLE");
    t.Open();
    EXPECT_TRUE(t.IsEmpty());
    EXPECT_EQ(t.TagNames(), (std::vector<std::string>{"SSN", "LNAME", "TESTCODE", "DATE"}));
}

TEST_F(BuilderTest, AnOldWorkTableIsReplacedWithTheFullLayout) {
    XbaseTable::CreateTable(dir.path() + "BANTABLE.dbf", "OTHER,C,3,0;");
    {
        XbaseTable old;
        old.SetDatabaseName(dir.path());
        old.SetTableName("BANTABLE");
        old.Open();
        old.CreateIndex("OTHER", "OTHER");
    }
    build();
    XbaseTable t;
    t.SetDatabaseName(dir.path());
    t.SetTableName("BANTABLE");
    t.Open();
    EXPECT_EQ(t.TagNames(), (std::vector<std::string>{"SSN", "LNAME", "TESTCODE", "DATE"}));
    std::string layout;
    for (const FieldDef& f : t.Fields().fields())
        layout += f.name + "," + f.type + "," + std::to_string(f.length) + "," +
                  std::to_string(f.decimals) + ";";
    EXPECT_EQ(layout,
              "ID,C,9,0;LNAME,C,13,0;FNAME,C,11,0;MNAME,C,1,0;BIRTHDATE,D,8,0;TESTCODE,C,4,0;"
              "TESTSCORE,C,8,0;DATE,D,8,0;SSN,C,11,0;CODE,C,4,0;CORRECT,N,3,0;SCORE,N,4,0;"
              "ATTEMPT,N,3,0;SS1,N,2,0;SS2,N,2,0;SS3,N,2,0;SS4,N,2,0;SS5,N,2,0;SS6,N,2,0;"
              "SS7,N,2,0;SS8,N,2,0;SS9,N,2,0;SS10,N,2,0;GRPNUMBER,C,7,0;SITECODE,C,2,0;");
}

// -- Completing the records ---------------------------------------------------

TEST_F(BuilderTest, StudentDataFromTheStudentTableOfTheSearchedSource) {
    students({Student("100-00-0001", "MASTERLASTNAMES", "MASTERFIRST", "Q", "19900102"),
              Student("100-00-0002", "NODATE", "ANN", "", "")},
             {Student("100-00-0001", "TEMPORARY", "TEMPFIRST", "T", "19850607")});
    Row copied = Placement("100-00-0009", "EN01");
    copied.push_back({"LNAME", "COPIED"});
    copied.push_back({"FNAME", "NAME"});
    addBoth("PLACE", "PLACTEMP",
            {Placement("100-00-0001", "EN01"), Placement("100-00-0002", "EN01"), copied});
    addBoth("ASSESS", "ASSETEMP", {Result("100-00-0009", "RD"), Result("123456789", "RD")});
    const std::vector<std::string> fields = {"ID", "LNAME", "FNAME", "MNAME", "BIRTHDATE"};

    settings.SearchTemporary = false;
    build();
    EXPECT_EQ(work(fields),
              (std::vector<Record>{{"100000001", "MASTERLASTNAM", "MASTERFIRST", "Q", "01/02/1990"},
                                   // an empty birth date is stored as the zero date
                                   {"100000002", "NODATE", "ANN", "", "12/30/1899"},
                                   // missing: the names as copied
                                   {"100000009", "COPIED", "NAME", "", ""},
                                   {"100000009", "", "", "", ""},
                                   // nine digits without dashes: the identifier as stored
                                   {"123456789", "", "", "", ""}}));

    settings.SearchTemporary = true;
    build();
    EXPECT_EQ(work(fields)[0], (Record{"100000001", "TEMPORARY", "TEMPFIRST", "T", "06/07/1985"}));
    EXPECT_EQ(work(fields)[1], (Record{"100000002", "", "", "", ""}));
}

// The identifier and the student of each shape of SSN: nine digits without
// dashes stand as they are and find their student as stored, then dashed;
// every other shape is cut at the dashed shape's places.
TEST_F(BuilderTest, IdentifierAndStudentOfEachShapeOfSsn) {
    students({Student("123-45-6789", "DASHED", "ONLY", "D", "19900102"),
              Student("987654321", "ASSTORED", "FIRST", "S", "19910203"),
              Student("987-65-4321", "DASHEDTOO", "SECOND", "T", "19920304"),
              Student("12345678", "EIGHT", "DIGITS", "E", "19930405")},
             {});
    settings.SearchTemporary = false;
    addBoth("ASSESS", "ASSETEMP",
            {Result("123456789", "RD"), Result("987654321", "RD"), Result("12345678", "RD"),
             Result("12345678A", "RD"), Result("555-55-5555", "RD")});
    build();
    EXPECT_EQ(work({"ID", "LNAME", "BIRTHDATE"}),
              (std::vector<Record>{{"123456789", "DASHED", "01/02/1990"},
                                   {"987654321", "ASSTORED", "02/03/1991"},
                                   {"123568", "EIGHT", "04/05/1993"},
                                   {"123568A", "", ""},
                                   {"555555555", "", ""}}));
}

// ZOLT keeps a deleted student until it packs its table; a live record of
// the same SSN is the student.
TEST_F(BuilderTest, TheLiveStudentRecordIsTakenBeforeADeletedOne) {
    students({Student("100-00-0001", "REMOVED", "OLD", "O", "19700101"),
              Student("100-00-0001", "CURRENT", "NEW", "N", "19800101"),
              Student("100-00-0002", "GONE", "ONLY", "G", "19750101")},
             {});
    deleteRecord("STUDENT", 1);
    deleteRecord("STUDENT", 3);
    settings.SearchTemporary = false;
    addBoth("ASSESS", "ASSETEMP", {Result("100-00-0001", "RD"), Result("100-00-0002", "RD")});
    build();
    EXPECT_EQ(work({"LNAME", "FNAME"}),
              (std::vector<Record>{{"CURRENT", "NEW"},
                                   // only a deleted record: it is still the student
                                   {"GONE", "ONLY"}}));
}

// The build lets window events through at each status change; what they
// change in the settings reaches the next build, not this one.
TEST_F(BuilderTest, ARunWorksFromTheSettingsAsTheyWereWhenItBegan) {
    students({Student("100-00-0001", "MASTER", "M", "", "")},
             {Student("100-00-0001", "TEMPORARY", "T", "", "")});
    addBoth("PLACE", "PLACTEMP", {Placement("100-00-0001", "EN01")});
    addBoth("ASSESS", "ASSETEMP", {Result("100-00-0001", "RD")});
    progress.onStatus = [this](const std::string& text) {
        if (text != "Adding Placement Records") return;
        settings.SearchTemporary = false;
        settings.IncludeAssessmentRecords = false;
        settings.DataPath = "nowhere\\";
    };
    std::string runFilter;
    WorkTableBuilder builder(ui, progress);
    builder.BuildWorkTable(settings, runFilter);
    EXPECT_EQ(work({"CODE", "LNAME"}),
              (std::vector<Record>{{"EN01", "TEMPORARY"}, {"RD", "TEMPORARY"}}));
}

struct SiteCase {
    const char* what;
    bool includeSiteCode;
    bool setupPresent;
    std::string expected;
};

void PrintTo(const SiteCase& c, std::ostream* out) {
    *out << c.what;
}

class SiteCodeTest : public BuilderTest, public ::testing::WithParamInterface<SiteCase> {};

TEST_P(SiteCodeTest, SiteCodeOfEveryRecord) {
    // A gathered table that brings its own SITECODE shows what is overwritten.
    dir.createTable(kPeriod, "PLACTEMP", std::string(kPlacementDefinitions) + "SITECODE,C,2,0;",
                    {{{"SSN", "100-00-0001"}, {"CODE", "EN01"}, {"SITECODE", "XX"}},
                     {{"SSN", "100-00-0002"}, {"CODE", "EN02"}, {"SITECODE", "XX"}}});
    if (GetParam().setupPresent)
        dir.createTable("", "SETUPSCH", "SCHSTATION,C,2,0;SCHNAME,C,30,0;",
                        {{{"SCHSTATION", "07"}, {"SCHNAME", "NORTH"}},
                         {{"SCHSTATION", "99"}, {"SCHNAME", "IGNORED"}}});
    settings.IncludeSiteCode = GetParam().includeSiteCode;
    build();
    EXPECT_EQ(column("SITECODE"),
              (std::vector<std::string>{GetParam().expected, GetParam().expected}));
}

INSTANTIATE_TEST_SUITE_P(Setup, SiteCodeTest,
                         ::testing::Values(SiteCase{"FromTheFirstSetupRecord", true, true, "07"},
                                           SiteCase{"BlanksWithoutSetup", true, false, ""},
                                           SiteCase{"AsCopiedWhenNotIncluded", false, true, "XX"}),
                         [](const auto& info) { return std::string(info.param.what); });

// -- What the caller sees ------------------------------------------------------

TEST_F(BuilderTest, StatusLineProgressBarAndBusyCursor) {
    add("PLACTEMP", {Placement("100-00-0001", "EN01"), Placement("100-00-0002", "EN02")});
    add("SCORTEMP", {Result("300-00-0001", "SRD")});
    build();
    EXPECT_EQ(progress.statuses,
              (std::vector<std::string>{"Adding Placement Records", "Adding Assessment Records",
                                        "Adding Score Records", "Processing...", ""}));
    // Events are let through after each status change and at no other time.
    EXPECT_EQ(ui.processEventsCalls(), 5);
    // The busy cursor covers the gathering and the pass, not the end.
    EXPECT_EQ(progress.busyAtStatus, (std::vector<int>{1, 1, 1, 1, 0}));
    EXPECT_EQ(ui.busyDepth(), 0);
    EXPECT_EQ(progress.ranges, (std::vector<std::pair<int, int>>{{0, 3}}));
    EXPECT_EQ(progress.positions, (std::vector<int>{0, 1, 2, 3, 0}));
    expectWorkTableReleased();
}

TEST_F(BuilderTest, ZoltsFilesAndTheCodeTablesAreOnlyRead) {
    codeTable(true, {{"EN01", "T", "ENG"}});
    codeTable(false, {{"RD", "F", "RD"}});
    addBoth("PLACE", "PLACTEMP", {Placement("100-00-0001", "EN01")});
    addBoth("ASSESS", "ASSETEMP", {Result("100-00-0001", "RD")});
    students({Student("100-00-0001", "A", "B", "C", "19800101")}, {});
    dir.createTable("", "SETUPSCH", "SCHSTATION,C,2,0;", {{{"SCHSTATION", "07"}}});
    settings.IncludeSiteCode = true;
    std::map<std::string, std::string> before;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.root()))
        if (entry.is_regular_file())
            before[entry.path().string()] =
                dir.bytes(entry.path().lexically_relative(dir.root()).string());
    for (bool temporary : {false, true}) {
        settings.SearchTemporary = temporary;
        build();
    }
    for (const auto& [path, bytes] : before) {
        if (path.find("BANTABLE") != std::string::npos) continue;
        EXPECT_EQ(dir.bytes(std::filesystem::path(path).lexically_relative(dir.root()).string()),
                  bytes)
            << path;
    }
}

// -- Ways out ------------------------------------------------------------------

TEST_F(BuilderTest, ASecondBuildWhileOneRunsIsRefused) {
    add("PLACTEMP", {Placement("100-00-0001", "EN01")});
    ScriptedUserInterface otherUi;
    RecordingProgress otherProgress(otherUi);
    WorkTableBuilder other(otherUi, otherProgress);
    std::vector<std::string> refusals;
    progress.onStatus = [&](const std::string& text) {
        if (text != "Processing...") return;
        try {
            other.BuildWorkTable(settings, "");
        } catch (const MarkliftError& error) {
            refusals.push_back(error.what());
        }
    };
    const WorkTableSummary summary = build();
    EXPECT_EQ(refusals, std::vector<std::string>{
                            "A work table is already being built. Wait until it is done."});
    EXPECT_TRUE(otherProgress.statuses.empty());
    EXPECT_EQ(summary.gathered, 1u);
    EXPECT_EQ(column("TESTCODE"), std::vector<std::string>{"EN"});
    // Once it is done, the next build runs.
    progress.onStatus = nullptr;
    EXPECT_NO_THROW(other.BuildWorkTable(settings, ""));
}

// -- ZOLT's tables not as the builder needs them ---------------------------------

// `definitions` without the field `name`.
std::string Without(const std::string& definitions, const std::string& name) {
    const std::size_t at = definitions.find(name + ",");
    const std::size_t end = definitions.find(';', at);
    return definitions.substr(0, at) + definitions.substr(end + 1);
}

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), ::toupper);
    return text;
}

struct BrokenTableCase {
    const char* what;
    bool temporary;
    std::string runFilter;
    std::string file;         // in the period directory
    std::string definitions;  // the file's fields; empty: the file is missing
    std::vector<Row> rows;
    std::vector<std::string> named;  // what the error must name, in upper case
};

void PrintTo(const BrokenTableCase& c, std::ostream* out) {
    *out << c.what;
}

class BrokenTableTest : public BuilderTest,
                        public ::testing::WithParamInterface<BrokenTableCase> {};

TEST_P(BrokenTableTest, StopsTheRunNamingTheTableAndField) {
    const BrokenTableCase& c = GetParam();
    addBoth("PLACE", "PLACTEMP", {Placement("100-00-0001", "EN01")});
    addBoth("ASSESS", "ASSETEMP", {Result("100-00-0001", "RD", "7")});
    addBoth("SCORES", "SCORTEMP", {Result("100-00-0001", "SRD", "", "45")});
    if (c.definitions.empty()) {
        ASSERT_TRUE(deleteFile(dir.path() + kPeriod + c.file));
    } else {
        std::vector<Row> rows;
        for (const Row& row : c.rows) rows.push_back(Only(row, c.definitions));
        dir.createTable(kPeriod, c.file.substr(0, c.file.find('.')), c.definitions, rows);
    }
    settings.SearchTemporary = c.temporary;
    ui.queueAnswer(Answer::Cancel);  // a retry question would end the run, not loop
    try {
        build(c.runFilter);
        FAIL() << "the build went on";
    } catch (const EXbaseError& error) {
        for (const std::string& name : c.named)
            EXPECT_NE(Upper(error.what()).find(name), std::string::npos) << error.what();
    }
    // An engine error, not a question: retrying would not bring the table
    // or the field.
    EXPECT_TRUE(ui.messages().empty());
    EXPECT_EQ(ui.busyDepth(), 0);
    EXPECT_EQ(progress.statuses.back(), "");
    expectWorkTableReleased();
}

const std::string kPlaceFields = kPlacementDefinitions;
const std::string kResultFields = kResultDefinitions;

INSTANTIATE_TEST_SUITE_P(
    Builder, BrokenTableTest,
    ::testing::Values(
        BrokenTableCase{"PlaceWithoutDuplicate",
                        false,
                        "",
                        "PLACE.DBF",
                        kPlaceFields,
                        {Placement("100-00-0001", "EN01")},
                        {"DELVTP1/PLACE.DBF", "DUPLICATE"}},
        BrokenTableCase{"AssessWithoutRetest",
                        false,
                        kMarch,
                        "ASSESS.DBF",
                        kResultFields,
                        {Result("100-00-0001", "RD", "7")},
                        {"DELVTP1/ASSESS.DBF", "RETEST"}},
        BrokenTableCase{"ScoresWithoutRetest",
                        false,
                        "",
                        "SCORES.DBF",
                        kResultFields,
                        {},
                        {"DELVTP1/SCORES.DBF", "RETEST"}},
        BrokenTableCase{"DateFilterOnATableWithoutDate",
                        true,
                        kMarch,
                        "PLACTEMP.DBF",
                        Without(kPlaceFields, "DATE"),
                        {},
                        {"DELVTP1/PLACTEMP.DBF", "DATE"}},
        BrokenTableCase{"NoDateWithoutAFilter",
                        true,
                        "",
                        "ASSETEMP.DBF",
                        Without(kResultFields, "DATE"),
                        {},
                        {"DELVTP1/ASSETEMP.DBF", "FIELD DATE"}},
        BrokenTableCase{"NoSsn",
                        true,
                        "",
                        "SCORTEMP.DBF",
                        Without(kResultFields, "SSN"),
                        {},
                        {"DELVTP1/SCORTEMP.DBF", "FIELD SSN"}},
        BrokenTableCase{"NoCode",
                        false,
                        "",
                        "PLACE.DBF",
                        Without(kPlaceFields, "CODE") + "DUPLICATE,L,1,0;",
                        {},
                        {"DELVTP1/PLACE.DBF", "FIELD CODE"}},
        BrokenTableCase{"AssessmentCodeWithoutCorrect",
                        true,
                        "",
                        "ASSETEMP.DBF",
                        Without(kResultFields, "CORRECT"),
                        {Result("100-00-0001", "EN01"), Result("100-00-0002", "RD", "", "7")},
                        {"DELVTP1/ASSETEMP.DBF", "FIELD CORRECT", "RECORD 2", "\"RD\""}},
        BrokenTableCase{"ScoreCodeWithoutScore",
                        false,
                        "",
                        "SCORES.DBF",
                        Without(kResultFields, "SCORE") + "RETEST,C,1,0;",
                        {Result("100-00-0001", "SRD", "45")},
                        {"DELVTP1/SCORES.DBF", "FIELD SCORE", "RECORD 1"}},
        BrokenTableCase{"StudentWithoutBirthDate",
                        true,
                        "",
                        "STUDTEMP.DBF",
                        Without(kStudentDefinitions, "BIRTHDATE"),
                        {},
                        {"DELVTP1/STUDTEMP.DBF", "FIELD BIRTHDATE"}},
        BrokenTableCase{"NoPlacementTable", true, "", "PLACTEMP.DBF", "", {}, {"PLACTEMP.DBF"}},
        BrokenTableCase{"NoScoreTable", false, "", "SCORES.DBF", "", {}, {"SCORES.DBF"}},
        BrokenTableCase{"NoStudentTable", false, "", "STUDENT.DBF", "", {}, {"STUDENT.DBF"}},
        BrokenTableCase{"NoStudentIndex", true, "", "SSNTEMP.NTX", "", {}, {"SSNTEMP.NTX"}}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(BuilderTest, AFieldNoGatheredCodeNeedsMayBeMissing) {
    const std::string noScore = Without(kResultDefinitions, "SCORE");
    dir.createTable(kPeriod, "ASSETEMP", noScore,
                    {Only(Result("100-00-0001", "RD", "7"), noScore),
                     Only(Result("100-00-0002", "EN05"), noScore),
                     Only(Result("100-00-0003", "SRD", "", "", "20040401"), noScore),
                     Only(Result("100-00-0004", "SWR"), noScore)});
    deleteRecord("ASSETEMP", 4);  // never copied
    const WorkTableSummary summary = build(kMarch);
    EXPECT_EQ(summary.gathered, 2u);
    EXPECT_EQ(work({"CODE", "TESTCODE", "TESTSCORE"}),
              (std::vector<Record>{{"RD", "RD", "0007"}, {"EN05", "EN", "05"}}));
}

}  // namespace
