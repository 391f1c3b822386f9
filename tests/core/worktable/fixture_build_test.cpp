// BuildWorkTable over testing period 1 of the ZOLT directory written by
// another xBase implementation (tests/fixtures/zolt), with its real .ntx
// student indexes, deleted records, missing students and odd SSNs. The
// expected records were worked out by hand from the fixture's tables.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/worktable/work_table_builder.h"
#include "support/data_directory.h"
#include "support/scripted_user_interface.h"

using namespace marklift;
using marklift::testing::DataDirectory;

namespace {

using Record = std::vector<std::string>;

const std::vector<std::string> kFields = {"ID",        "LNAME",    "FNAME",     "MNAME",
                                          "BIRTHDATE", "TESTCODE", "TESTSCORE", "DATE",
                                          "SSN",       "CODE",     "SITECODE"};

struct FixtureCase {
    const char* what;
    bool temporary;
    std::string runFilter;
    std::uint32_t records;
    // Record number in BANTABLE, then the fields above.
    std::vector<std::pair<std::size_t, Record>> samples;
};

void PrintTo(const FixtureCase& c, std::ostream* out) {
    *out << c.what;
}

class FixtureBuildTest : public ::testing::TestWithParam<FixtureCase> {};

TEST_P(FixtureBuildTest, PeriodOne) {
    DataDirectory dir("fixture");
    std::filesystem::copy(MARKLIFT_FIXTURES "/zolt", dir.root(),
                          std::filesystem::copy_options::recursive);
    ProgramSettings settings;
    settings.DataPath = dir.path();
    settings.PeriodDir = "DELVTP1\\";
    settings.SearchTemporary = GetParam().temporary;
    settings.IncludePlacementRecords = true;
    settings.IncludeAssessmentRecords = true;
    settings.IncludeScoreRecords = true;
    settings.IncludeSiteCode = true;
    ScriptedUserInterface ui;
    SilentBuildProgress progress;
    WorkTableBuilder builder(ui, progress);

    const WorkTableSummary summary = builder.BuildWorkTable(settings, GetParam().runFilter);

    EXPECT_EQ(summary.gathered, GetParam().records);
    EXPECT_EQ(summary.removed, 0u);  // no code tables in this directory
    const std::vector<Record> work = dir.read("", "BANTABLE", kFields);
    ASSERT_EQ(work.size(), GetParam().records);
    for (const auto& [recno, expected] : GetParam().samples)
        EXPECT_EQ(work[recno - 1], expected) << "record " << recno;
}

const std::string kMidMarch = "(DTOS(Date) >= \"20040310\") .and. (DTOS(Date) <= \"20040320\")";

INSTANTIATE_TEST_SUITE_P(
    Zolt, FixtureBuildTest,
    ::testing::Values(
        // PLACE: 228 with duplicate set and not deleted; ASSESS: 233 and
        // SCORES: 230 whose retest is not "N" (a lower-case n passes).
        FixtureCase{"MasterAllDates",
                    false,
                    "",
                    691,
                    {// PLACE record 1, student found.
                     {1,
                      {"102003507", "ABERNATHY-WOR", "HIRO", "R", "01/22/1999", "EN", "05",
                       "04/13/2004", "102-00-3507", "EN05", "07"}},
                     // PLACE record 5: no such student; names as PLACE has them.
                     {4,
                      {"101758018", "SMITH", "DANA", "", "", "EN", "03", "03/28/2004",
                       "101-75-8018", "EN03", "07"}},
                     // PLACE record 13: the student has no birth date.
                     {10,
                      {"100601844", "O'NEIL, JR", "FRANCESCA-M", "K", "12/30/1899", "RD", "04",
                       "03/30/2004", "100-60-1844", "RD04", "07"}},
                     // PLACE record 22: an SSN without dashes is the identifier as it stands.
                     {18,
                      {"123456789", "JOHNSON", "DANA", "", "", "MA", "06", "03/25/2004",
                       "123456789", "MA06", "07"}},
                     // ASSESS record 2: lower-case s1 counts CORRECT (36).
                     {229,
                      {"101116579", "NGUYEN", "ANN", "", "01/16/1995", "s1", "0036", "03/04/2004",
                       "101-11-6579", "s1", "07"}},
                     // ASSESS record 14: an empty code, CORRECT 0.
                     {239,
                      {"101219526", "GARCIA", "EVE", "S", "07/21/2001", "", "0000", "04/09/2004",
                       "101-21-9526", "", "07"}},
                     // ASSESS record 21: a four-character code follows the placement rules.
                     {244,
                      {"102739974", "JOHNSON", "ANN", "S", "07/26/1988", "MA", "01", "03/28/2004",
                       "102-73-9974", "MA01", "07"}},
                     // SCORES record 297: S12 with SCORE 761.
                     {691,
                      {"101829289", "LEE", "GUS", "B", "05/04/1983", "S12", "0761", "03/07/2004",
                       "101-82-9289", "S12", "07"}}}},
        FixtureCase{"TemporaryAllDates",
                    true,
                    "",
                    878,
                    {// PLACTEMP record 1, completed from STUDTEMP.
                     {1,
                      {"102755812", "JOHNSON", "HIRO", "Z", "02/13/2003", "MA", "06", "03/31/2004",
                       "102-75-5812", "MA06", "07"}},
                     {2,
                      {"123456789", "JOHNSON", "HIRO", "", "", "RD", "01", "03/10/2004",
                       "123456789", "RD01", "07"}},
                     // ASSETEMP record 1: CORRECT 47.
                     {290,
                      {"100182137", "VAN DER BERG", "EVE", "", "02/04/1996", "MA", "0047",
                       "04/09/2004", "100-18-2137", "MA", "07"}},
                     // SCORTEMP record 300: a student without a birth date.
                     {878,
                      {"102811245", "JOHNSON", "CARLOS", "W", "12/30/1899", "S12", "0832",
                       "03/23/2004", "102-81-1245", "S12", "07"}}}},
        FixtureCase{"MasterMidMarch",
                    false,
                    kMidMarch,
                    173,
                    {// PLACE record 6 is the first in range with duplicate set.
                     {1,
                      {"101662990", "ABERNATHY-WOR", "GUS", "T", "05/09/1991", "RD", "01",
                       "03/10/2004", "101-66-2990", "RD01", "07"}},
                     {173,
                      {"101837208", "LEE", "HIRO", "", "02/07/1984", "SRD", "0710", "03/10/2004",
                       "101-83-7208", "SRD", "07"}}}},
        FixtureCase{"TemporaryMidMarch",
                    true,
                    kMidMarch,
                    217,
                    {{1,
                      {"123456789", "JOHNSON", "HIRO", "", "", "RD", "01", "03/10/2004",
                       "123456789", "RD01", "07"}},
                     // SCORTEMP record 299.
                     {217,
                      {"101061146", "JOHNSON", "GUS", "W", "03/16/1998", "S1", "1135", "03/14/2004",
                       "101-06-1146", "S1", "07"}}}}),
    [](const auto& info) { return std::string(info.param.what); });

}  // namespace
