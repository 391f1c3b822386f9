// Tables written by another xBase implementation (ZOLT's Clipper-kind data
// and a FoxPro-kind work table) read back field by field.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dbf_test_support.h"
#include "tables/dbf_file.h"

namespace marklift {
namespace {

using test::fixturePath;

// The fields of a table as "NAME TYPE LENGTH" texts.
std::vector<std::string> describe(const DbfFile& table) {
    std::vector<std::string> result;
    for (const FieldDef& f : table.fields().fields())
        result.push_back(f.name + " " + f.type + " " + std::to_string(f.length));
    return result;
}

std::string text(const DbfFile& table, std::uint32_t recno, const char* field) {
    const FieldDef* def = table.fields().find(field);
    EXPECT_NE(def, nullptr) << field;
    return def ? readText(*def, table.record(recno)) : std::string();
}

std::vector<std::uint32_t> deletedRecords(const DbfFile& table) {
    std::vector<std::uint32_t> result;
    for (std::uint32_t recno = 1; recno <= table.recordCount(); ++recno)
        if (table.isDeleted(recno)) result.push_back(recno);
    return result;
}

TEST(DbfFixtures, SchoolSetup) {
    DbfFile table(fixturePath("zolt/SETUPSCH.DBF"), DbfFile::Mode::ReadOnly);
    EXPECT_EQ(table.version(), 0x03);
    EXPECT_FALSE(table.hasStructuralIndexFlag());
    EXPECT_EQ(table.lastUpdate(), Date::fromYmd(2026, 12, 9));
    EXPECT_EQ(describe(table), (std::vector<std::string>{"SCHSTATION C 2", "SCHNAME C 30"}));
    EXPECT_EQ(table.recordLength(), 33u);
    ASSERT_EQ(table.recordCount(), 2u);
    EXPECT_EQ(text(table, 1, "SchStation"), "07");
    EXPECT_EQ(text(table, 1, "SCHNAME"), "NORTH CAMPUS");
    EXPECT_EQ(text(table, 2, "SCHSTATION"), "99");
    EXPECT_EQ(text(table, 2, "SCHNAME"), "SECOND RECORD IGNORED");
    EXPECT_TRUE(deletedRecords(table).empty());
}

TEST(DbfFixtures, Placements) {
    DbfFile table(fixturePath("zolt/DELVTP1/PLACE.DBF"), DbfFile::Mode::ReadOnly);
    EXPECT_EQ(describe(table), (std::vector<std::string>{
                                   "SSN C 11", "LNAME C 15", "FNAME C 12", "MNAME C 1", "CODE C 4",
                                   "DATE D 8", "GRPNUMBER C 7", "ATTEMPT N 3", "DUPLICATE L 1"}));
    ASSERT_EQ(table.recordCount(), 300u);
    EXPECT_EQ(deletedRecords(table),
              (std::vector<std::uint32_t>{25, 31, 78, 101, 104, 124, 200, 228, 286}));

    const FieldList& f = table.fields();
    const char* first = table.record(1);
    EXPECT_EQ(readText(*f.find("SSN"), first), "102-00-3507");
    EXPECT_EQ(readText(*f.find("LNAME"), first), "GARCIA");
    EXPECT_EQ(readText(*f.find("CODE"), first), "EN05");
    EXPECT_EQ(readDate(*f.find("DATE"), first), Date::fromYmd(2004, 4, 13));
    EXPECT_EQ(readText(*f.find("DATE"), first), "04/13/2004");
    EXPECT_EQ(readText(*f.find("GRPNUMBER"), first), "0002144");
    EXPECT_EQ(readInteger(*f.find("ATTEMPT"), first), 2);
    EXPECT_TRUE(readLogical(*f.find("DUPLICATE"), first));
    EXPECT_FALSE(readLogical(*f.find("DUPLICATE"), table.record(2)));

    EXPECT_EQ(text(table, 3, "LNAME"), "O'NEIL, JR");
    EXPECT_EQ(text(table, 14, "DATE"), "");
    EXPECT_TRUE(readDate(*f.find("DATE"), table.record(14)).isZero());
    EXPECT_EQ(text(table, 300, "LNAME"), "ABERNATHY-WORTH");
    EXPECT_EQ(text(table, 300, "FNAME"), "HIRO");
}

TEST(DbfFixtures, Students) {
    DbfFile table(fixturePath("zolt/DELVTP1/STUDENT.DBF"), DbfFile::Mode::ReadOnly);
    ASSERT_EQ(table.recordCount(), 369u);
    EXPECT_EQ(table.recordLength(), 78u);
    EXPECT_EQ(deletedRecords(table), (std::vector<std::uint32_t>{77, 95, 101, 111, 127, 216, 229}));
    EXPECT_EQ(text(table, 1, "BIRTHDATE"), "04/13/1998");
    EXPECT_EQ(text(table, 1, "ADDRESS"), "614.00 MAIN ST");
    EXPECT_EQ(text(table, 2, "MNAME"), "E");
    EXPECT_EQ(text(table, 2, "BIRTHDATE"), "");
    EXPECT_EQ(text(table, 369, "SSN"), "103-16-7600");
    EXPECT_EQ(text(table, 369, "LNAME"), "O'NEIL, JR");
}

TEST(DbfFixtures, FoxProWorkTable) {
    DbfFile table(fixturePath("cdx/MULTI.DBF"), DbfFile::Mode::ReadOnly);
    EXPECT_TRUE(table.hasStructuralIndexFlag());
    EXPECT_EQ(table.fields().size(), 25u);
    EXPECT_EQ(table.recordLength(), 117u);
    ASSERT_EQ(table.recordCount(), 3000u);

    std::vector<std::uint32_t> deleted = deletedRecords(table);
    EXPECT_EQ(deleted.size(), 111u);
    EXPECT_EQ(deleted.front(), 3u);
    EXPECT_EQ(deleted.back(), 2993u);

    EXPECT_EQ(text(table, 1, "ID"), "000019565");
    EXPECT_EQ(text(table, 1, "TESTCODE"), "S12");
    EXPECT_EQ(text(table, 1, "DATE"), "");
    EXPECT_EQ(text(table, 1, "SS5"), "2");
    EXPECT_EQ(text(table, 3000, "FNAME"), "F3000");
    EXPECT_EQ(text(table, 3000, "CODE"), "MA01");
    EXPECT_EQ(text(table, 3000, "BIRTHDATE"), "");

    // Every record, through several read blocks.
    const FieldDef& score = *table.fields().find("SCORE");
    std::int64_t total = 0;
    for (std::uint32_t recno = 1; recno <= table.recordCount(); ++recno)
        total += readInteger(score, table.record(recno));
    EXPECT_EQ(total, 13908564);
}

}  // namespace
}  // namespace marklift
