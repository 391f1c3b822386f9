// The demo ZOLT directory read back through the engine the program uses: the
// layouts of ZOLT's own tables, SSN indexes that walk and seek, and the
// awkward cases (deleted rows, missing students, blanks, odd codes and
// names) the program has to get right.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "cli/demo_data/demo_generator.h"
#include "cli/demo_data/zolt_reference.h"
#include "support/temp_directory.h"
#include "tables/byte_source.h"
#include "tables/dbf_file.h"
#include "tables/ntx_index.h"
#include "tables/xbase_table.h"

namespace marklift::demo {
namespace {

using marklift::testing::TempDirectory;

const std::string kFixtures = MARKLIFT_FIXTURES;
const Date kToday = Date::fromYmd(2026, 10, 14);

constexpr std::uint32_t kStudents = 300;
constexpr std::uint32_t kResults = 1200;
// What periods 2 to 9 are held to.
constexpr int kPeriods = 9;
constexpr std::uint32_t kLaterStudents = 250;
constexpr std::uint32_t kLaterResults = 300;

const std::vector<std::string> kResultTables = {"PLACE",    "PLACTEMP", "ASSESS",
                                                "ASSETEMP", "SCORES",   "SCORTEMP"};

DemoOptions options(std::uint32_t students, std::uint32_t results, std::uint32_t seed) {
    DemoOptions o;
    o.students = students;
    o.results = results;
    o.seed = seed;
    o.today = kToday;
    return o;
}

std::string periodDir(int period) {
    return "DELVTP" + std::to_string(period);
}

// One directory for the whole suite: the tests only read it.
class DemoData : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = std::make_unique<TempDirectory>();
        written_ = writeDemoData(dir_->path(), options(kStudents, kResults, 1));
    }
    static void TearDownTestSuite() { dir_.reset(); }

    // Opened as the program opens ZOLT's tables: a program path with
    // backslashes, a mixed-case name, read-only, Clipper kind.
    static void open(XbaseTable& table, const std::string& subdirectory, const std::string& name) {
        table.SetDatabaseName(dir_->programPath() +
                              (subdirectory.empty() ? "" : subdirectory + "\\"));
        std::string mixed = name;
        std::transform(mixed.begin() + 1, mixed.end(), mixed.begin() + 1,
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        table.SetTableName(mixed);
        table.SetTableType(TableType::ttNTX);
        table.SetReadOnly(true);
        table.Open();
    }
    static void openStudents(XbaseTable& table, int period, const std::string& name,
                             const std::string& index) {
        open(table, periodDir(period), name);
        table.OpenIndexFile(dir_->programPath() + periodDir(period) + "\\" + index + ".ntx");
        table.SetIndexName(index);
    }

    static std::unique_ptr<TempDirectory> dir_;
    static std::vector<WrittenFile> written_;
};

std::unique_ptr<TempDirectory> DemoData::dir_;
std::vector<WrittenFile> DemoData::written_;

struct Layout {
    std::string name;
    char type;
    int length, decimals;
    bool operator==(const Layout&) const = default;
};

std::vector<Layout> layoutOf(const std::string& path) {
    DbfFile file(path, DbfFile::Mode::ReadOnly);
    std::vector<Layout> layout;
    for (const FieldDef& f : file.fields().fields())
        layout.push_back({f.name, f.type, f.length, f.decimals});
    return layout;
}

TEST_F(DemoData, TablesHaveZoltsLayoutsHeadersAndSizes) {
    std::map<std::string, std::uint32_t> expected = {{"SETUPSCH.DBF", 2}};
    for (int period = 1; period <= kPeriods; ++period) {
        const std::string p = periodDir(period) + "/";
        const bool first = period == 1;
        expected[p + "TP.DBF"] = 1;
        expected[p + "LEVELS.DBF"] = static_cast<std::uint32_t>(levelRows().size());
        expected[p + "TEST.DBF"] = static_cast<std::uint32_t>(testRows().size());
        for (const char* table : {"STUDENT.DBF", "STUDTEMP.DBF", "SSN.NTX", "SSNTEMP.NTX"})
            expected[p + table] = first ? kStudents : kLaterStudents;
        for (const std::string& table : kResultTables)
            expected[p + table + ".DBF"] = first ? kResults : kLaterResults;
    }
    std::map<std::string, std::uint32_t> reported;
    for (const WrittenFile& file : written_) reported[file.name] = file.records;
    EXPECT_EQ(reported, expected);

    for (const auto& [name, records] : expected) {
        if (name.ends_with(".NTX")) continue;
        SCOPED_TRACE(name);
        const std::string ours = (dir_->path() / name).string();
        // Every period's tables share the layouts of ZOLT's first period.
        const std::filesystem::path relative(name);
        const std::string theirs =
            relative.has_parent_path() ? "DELVTP1/" + relative.filename().string() : name;
        EXPECT_EQ(layoutOf(ours), layoutOf(kFixtures + "/zolt/" + theirs));
        DbfFile file(ours, DbfFile::Mode::ReadOnly);
        EXPECT_EQ(file.version(), 0x03);
        EXPECT_FALSE(file.hasStructuralIndexFlag());

        XbaseTable table;
        open(table, relative.parent_path().string(), relative.stem().string());
        EXPECT_EQ(table.RecordCount(), records);
    }
}

TEST_F(DemoData, StudentIndexesWalkInSsnOrderAndFindEveryStudent) {
    for (int period = 1; period <= kPeriods; ++period) {
        for (auto [name, index] : {std::pair{"STUDENT", "SSN"}, std::pair{"STUDTEMP", "SSNTEMP"}}) {
            SCOPED_TRACE(periodDir(period) + " " + name);
            const std::string bytes = dir_->readFile(periodDir(period) + "/" + index + ".NTX");
            NtxContents contents = readNtx(MemoryByteSource(index, {bytes.begin(), bytes.end()}));
            EXPECT_EQ(contents.header.keyExpression, "SSN");
            EXPECT_EQ(contents.header.keyLength, 11);
            EXPECT_FALSE(contents.header.unique);

            XbaseTable table;
            openStudents(table, period, name, index);
            std::vector<std::string> walked;
            for (table.First(); !table.Eof(); table.Next()) walked.push_back(table.GetText("SSN"));
            ASSERT_EQ(walked.size(), table.RecordCount());
            // Strictly ascending: in order, and no SSN twice.
            EXPECT_TRUE(std::adjacent_find(walked.begin(), walked.end(), std::greater_equal<>()) ==
                        walked.end());
            // The SSNs were drawn in no order, so the index had work to do.
            table.SetIndexName("");
            std::vector<std::string> stored;
            for (table.First(); !table.Eof(); table.Next()) stored.push_back(table.GetText("SSN"));
            EXPECT_FALSE(std::is_sorted(stored.begin(), stored.end()));

            table.SetIndexName(index);
            for (std::uint32_t recno = 1; recno <= stored.size(); ++recno) {
                ASSERT_TRUE(table.SeekKey(stored[recno - 1])) << stored[recno - 1];
                EXPECT_EQ(table.RecNo(), recno);
            }
        }
    }
}

// Counts of what the period 1 tables hold, gathered by one pass each.
struct Seen {
    std::uint32_t records = 0, deleted = 0, blankDates = 0, datedToday = 0, outsideTerm = 0;
    std::uint32_t ssnWithoutDashes = 0, studentFound = 0, studentMissing = 0;
    std::set<std::string> codes, retest, duplicate;
};

TEST_F(DemoData, ResultsHoldTheCasesTheProgramMustHandle) {
    XbaseTable students;
    openStudents(students, 1, "STUDENT", "SSN");
    const Date termFirst = Date::fromYmd(2026, 8, 17), termLast = Date::fromYmd(2026, 12, 18);
    std::map<std::string, Seen> seen;
    for (const std::string& name : kResultTables) {
        XbaseTable table;
        open(table, periodDir(1), name);
        Seen& s = seen[name];
        for (table.First(); !table.Eof(); table.Next()) {
            ++s.records;
            if (table.Deleted()) ++s.deleted;
            const std::string ssn = table.GetText("SSN");
            if (ssn.size() == 9 && ssn.find('-') == std::string::npos) ++s.ssnWithoutDashes;
            ++(students.SeekKey(ssn) ? s.studentFound : s.studentMissing);
            const Date date = table.GetDate("DATE");
            if (date.isZero()) {
                ++s.blankDates;
            } else if (date == kToday) {
                ++s.datedToday;
            } else if (date < termFirst || date > termLast || date.days() % 7 < 2) {
                ++s.outsideTerm;  // before or after the term, or on a weekend
            }
            s.codes.insert(table.GetText("CODE"));
            if (name == "PLACE") s.duplicate.insert(table.GetBool("DUPLICATE") ? "T" : "F");
            if (name == "ASSESS" || name == "SCORES") s.retest.insert(table.GetText("RETEST"));
        }
    }

    std::uint32_t withoutDashes = 0;
    for (const auto& [name, s] : seen) {
        SCOPED_TRACE(name);
        EXPECT_EQ(s.records, kResults);
        // About 1 in 40 deleted, 1 in 100 undated, 1 in 40 dated today.
        EXPECT_GT(s.deleted, kResults / 80);
        EXPECT_LT(s.deleted, kResults / 20);
        EXPECT_GT(s.blankDates, 0u);
        EXPECT_GT(s.datedToday, kResults / 80);
        EXPECT_EQ(s.outsideTerm, 0u);
        // Most results name a student on file; some name one who is not.
        EXPECT_GT(s.studentMissing, 0u);
        EXPECT_GT(s.studentFound, 5 * s.studentMissing);
        withoutDashes += s.ssnWithoutDashes;
    }
    EXPECT_GT(withoutDashes, 0u);

    for (const char* name : {"PLACE", "PLACTEMP"})
        for (const std::string& code : seen[name].codes) EXPECT_EQ(code.size(), 4u) << code;
    EXPECT_TRUE(seen["PLACE"].codes.contains("EN03"));
    for (const char* name : {"ASSESS", "ASSETEMP"}) {
        const std::set<std::string>& codes = seen[name].codes;
        for (const char* code : {"", "s1", "MA01", "RD", "ESL"})
            EXPECT_TRUE(codes.contains(code)) << name << " lacks \"" << code << "\"";
        for (const std::string& code : codes) EXPECT_NE(code.substr(0, 1), "S") << code;
    }
    for (const char* name : {"SCORES", "SCORTEMP"}) {
        EXPECT_TRUE(seen[name].codes.contains("S12"));
        for (const std::string& code : seen[name].codes) EXPECT_EQ(code.substr(0, 1), "S") << code;
    }
    const std::set<std::string> retest = {"", "N", "Y", "n"};
    EXPECT_EQ(seen["ASSESS"].retest, retest);
    EXPECT_EQ(seen["SCORES"].retest, retest);
    EXPECT_EQ(seen["PLACE"].duplicate, (std::set<std::string>{"F", "T"}));
}

TEST_F(DemoData, StudentTablesHoldTheCasesTheProgramMustHandle) {
    std::map<std::string, std::set<std::string>> ssns;
    for (const char* name : {"STUDENT", "STUDTEMP"}) {
        SCOPED_TRACE(name);
        XbaseTable table;
        open(table, periodDir(1), name);
        std::uint32_t deleted = 0, blankBirthDates = 0;
        std::set<char> marks;
        for (table.First(); !table.Eof(); table.Next()) {
            if (table.Deleted()) ++deleted;
            if (table.GetText("BIRTHDATE").empty()) ++blankBirthDates;
            for (const char* field : {"LNAME", "FNAME"})
                for (char c : table.GetText(field))
                    if (c == ',' || c == '\'' || c == '"' || c == '-') marks.insert(c);
            ssns[name].insert(table.GetText("SSN"));
        }
        // About 1 in 50 deleted, 1 in 25 without a birth date.
        EXPECT_GT(deleted, 0u);
        EXPECT_LT(deleted, kStudents / 15);
        EXPECT_GT(blankBirthDates, 0u);
        EXPECT_LT(blankBirthDates, kStudents / 8);
        EXPECT_EQ(marks, (std::set<char>{'"', '\'', ',', '-'}));
    }
    // Each table misses students the other one has.
    std::vector<std::string> onlyInOne;
    std::set_symmetric_difference(ssns["STUDENT"].begin(), ssns["STUDENT"].end(),
                                  ssns["STUDTEMP"].begin(), ssns["STUDTEMP"].end(),
                                  std::back_inserter(onlyInOne));
    EXPECT_GT(onlyInOne.size(), 0u);
}

TEST_F(DemoData, SiteAndPeriodTables) {
    XbaseTable setup;
    open(setup, "", "SETUPSCH");
    setup.First();
    EXPECT_EQ(setup.GetText("SCHSTATION"), "07");

    const char* names[kPeriods] = {"FALL 2026", "SPRING 2027", "SUMMER 2027",
                                   "FALL 2027", "SPRING 2028", "SUMMER 2028",
                                   "FALL 2028", "SPRING 2029", "SUMMER 2029"};
    for (int period = 1; period <= kPeriods; ++period) {
        XbaseTable tp;
        open(tp, periodDir(period), "TP");
        EXPECT_EQ(tp.GetText("TPNAME"), names[period - 1]);
        EXPECT_EQ(tp.GetInt("TPNUMBER"), period);

        XbaseTable levels;
        open(levels, periodDir(period), "LEVELS");
        std::map<std::string, int> codes;
        bool longText = false;
        for (levels.First(); !levels.Eof(); levels.Next()) {
            EXPECT_EQ(levels.GetText("CODE").size(), 4u);
            ++codes[levels.GetText("CODE")];
            longText |= levels.GetText("PLACEMENT").size() + levels.GetText("COMMENT").size() > 110;
        }
        EXPECT_TRUE(longText);
        EXPECT_TRUE(std::any_of(codes.begin(), codes.end(),
                                [](const auto& entry) { return entry.second > 1; }));

        XbaseTable test;
        open(test, periodDir(period), "TEST");
        std::set<std::string> testCodes;
        for (test.First(); !test.Eof(); test.Next()) testCodes.insert(test.GetText("CODE"));
        for (const char* code : {"RD", "ESL", "s1", "MA01", "S12", "SRD"})
            EXPECT_TRUE(testCodes.contains(code)) << code;
    }
}

TEST(DemoDataSeed, SameSeedSameBytesOtherSeedOtherStudents) {
    TempDirectory first, second, other;
    const std::vector<WrittenFile> files = writeDemoData(first.path(), options(50, 80, 1));
    writeDemoData(second.path(), options(50, 80, 1));
    writeDemoData(other.path(), options(50, 80, 2));
    ASSERT_EQ(files.size(), 1u + kPeriods * 13u);
    for (const WrittenFile& file : files) {
        SCOPED_TRACE(file.name);
        const std::string bytes = first.readFile(file.name);
        EXPECT_FALSE(bytes.empty());
        EXPECT_TRUE(bytes == second.readFile(file.name));
    }
    EXPECT_FALSE(first.readFile("DELVTP1/STUDENT.DBF") == other.readFile("DELVTP1/STUDENT.DBF"));
    EXPECT_FALSE(first.readFile("DELVTP1/ASSESS.DBF") == other.readFile("DELVTP1/ASSESS.DBF"));
}

TEST(DemoDataSeed, RefusesAPeriodWithoutStudents) {
    TempDirectory dir;
    EXPECT_THROW(writeDemoData(dir.path(), options(0, 10, 1)), std::invalid_argument);
}

}  // namespace
}  // namespace marklift::demo
