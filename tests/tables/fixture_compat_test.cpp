// Tables and indexes written by another xBase implementation, read through
// XbaseTable: the orders it walks, the seeks it answers and the values it
// reads must be the ones that implementation gives.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "tables/xbase_table.h"

using namespace marklift;

namespace {

const std::string kFixtures = MARKLIFT_FIXTURES;

std::vector<std::uint32_t> readOrderFile(const std::string& name) {
    std::ifstream in(kFixtures + "/orders/" + name);
    std::vector<std::uint32_t> order;
    for (std::uint32_t n; in >> n;) order.push_back(n);
    return order;
}

std::vector<std::uint32_t> walk(XbaseTable& table) {
    std::vector<std::uint32_t> order;
    for (table.First(); !table.Eof(); table.Next()) order.push_back(table.RecNo());
    return order;
}

struct NtxCase {
    std::string period, table, index;
};

class NtxFixture : public ::testing::TestWithParam<NtxCase> {};

TEST_P(NtxFixture, WalksAndSeeksAsTheOtherImplementation) {
    const NtxCase& c = GetParam();
    XbaseTable t;
    // Mixed-case names find the upper-case files.
    t.SetDatabaseName(kFixtures + "/zolt/" + c.period + "\\");
    t.SetTableName(c.table == "STUDENT" ? "Student" : "StudTemp");
    t.SetTableType(TableType::ttNTX);
    t.SetReadOnly(true);
    t.Open();
    t.OpenIndexFile(kFixtures + "/zolt/" + c.period + "/" + c.index + ".ntx");
    t.SetIndexName(c.index);
    std::vector<std::uint32_t> expected =
        readOrderFile(c.period + "." + c.table + "." + c.index + ".order");
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(walk(t), expected);

    // Every record is found by its own SSN, on the first record of its key.
    for (std::uint32_t recno : expected) {
        t.GotoBookmark(recno);
        std::string ssn = t.GetText("SSN");
        ASSERT_TRUE(t.SeekKey(ssn)) << ssn;
        EXPECT_EQ(t.GetText("SSN"), ssn);
    }
    t.First();
    std::uint32_t before = t.RecNo();
    EXPECT_FALSE(t.SeekKey("999-99-999"));
    EXPECT_EQ(t.RecNo(), before);
}

INSTANTIATE_TEST_SUITE_P(Zolt, NtxFixture,
                         ::testing::Values(NtxCase{"DELVTP1", "STUDENT", "SSN"},
                                           NtxCase{"DELVTP1", "STUDTEMP", "SSNTEMP"},
                                           NtxCase{"DELVTP2", "STUDENT", "SSN"},
                                           NtxCase{"DELVTP2", "STUDTEMP", "SSNTEMP"},
                                           NtxCase{"DELVTP3", "STUDENT", "SSN"},
                                           NtxCase{"DELVTP3", "STUDTEMP", "SSNTEMP"}));

class CdxFixture : public ::testing::TestWithParam<std::pair<std::string, std::string>> {};

TEST_P(CdxFixture, WalksEachTagAsTheOtherImplementation) {
    const auto& [table, tag] = GetParam();
    XbaseTable t;
    t.SetDatabaseName(kFixtures + "/cdx/");
    t.SetTableName(table);
    t.SetReadOnly(true);
    t.Open();
    t.SetIndexName(tag);
    EXPECT_EQ(walk(t), readOrderFile(table + "." + tag + ".order"));
}

INSTANTIATE_TEST_SUITE_P(Foxpro, CdxFixture,
                         ::testing::Values(std::pair{"MULTI", "SSN"}, std::pair{"MULTI", "LNAME"},
                                           std::pair{"MULTI", "TESTCODE"},
                                           std::pair{"MULTI", "DATE"}, std::pair{"CODES", "CODE"}));

TEST(FixtureValues, ReadsTheSiteCodeAndPeriodNames) {
    XbaseTable setup;
    setup.SetDatabaseName(kFixtures + "/zolt/");
    setup.SetTableName("SetupSch");
    setup.SetTableType(TableType::ttNTX);
    setup.SetReadOnly(true);
    setup.Open();
    EXPECT_EQ(setup.GetText("SCHSTATION"), "07");

    const char* names[] = {"FALL 2004", "SPRING 2005", "SUMMER 2005"};
    for (int period = 1; period <= 3; ++period) {
        XbaseTable tp;
        tp.SetDatabaseName(kFixtures + "/zolt/DELVTP" + std::to_string(period) + "\\");
        tp.SetTableName("TP");
        tp.SetTableType(TableType::ttNTX);
        tp.SetReadOnly(true);
        tp.Open();
        EXPECT_EQ(tp.GetText("TPName"), names[period - 1]);
    }
}

TEST(FixtureValues, SeeksEveryCodeOnTheFirstRecordOfItsPaddedKey) {
    XbaseTable t;
    t.SetDatabaseName(kFixtures + "/cdx/");
    t.SetTableName("CODES");
    t.SetReadOnly(true);
    t.Open();
    t.SetIndexName("Code");
    std::vector<std::pair<std::string, std::uint32_t>> firsts;
    for (t.First(); !t.Eof(); t.Next())
        if (firsts.empty() || firsts.back().first != t.GetText("CODE"))
            firsts.emplace_back(t.GetText("CODE"), t.RecNo());
    ASSERT_GE(firsts.size(), 5u);
    for (const auto& [code, recno] : firsts) {
        ASSERT_TRUE(t.SeekKey(code)) << code;
        EXPECT_EQ(t.RecNo(), recno) << code;
        EXPECT_EQ(t.GetText("CODE"), code);
    }
}

}  // namespace
