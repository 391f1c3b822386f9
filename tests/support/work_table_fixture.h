// A small BANTABLE written with the engine, with the four tags the builder
// gives it, for the tests of the selection window and its rules.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "core/worktable/work_table_builder.h"
#include "tables/xbase_table.h"

namespace marklift::testing {

struct WorkRow {
    std::string id, lname, fname, mname, birthdate, testcode, testscore, date, ssn;
};

// Record numbers 1..5 in this order; every order walks them differently.
inline const std::vector<WorkRow> kWorkRows = {
    {"300000003", "CARVER", "ANN", "B", "19800102", "MA", "05", "20040312", "300-00-0003"},
    {"100000001", "ZIMMER", "BOB", "", "19790203", "RD", "03", "20040310", "100-00-0001"},
    {"500000005", "ADAMS", "CY", "C", "", "EN", "01", "20040311", "500-00-0005"},
    {"200000002", "MILLS", "DEE", "D", "19810304", "S1", "0036", "20040309", "200-00-0002"},
    {"400000004", "BAKER", "EVA", "E", "19820405", "AA", "02", "20040313", "400-00-0004"},
};

// Writes BANTABLE.dbf/.cdx into `directory` (ending in a separator).
inline void WriteWorkTable(const std::string& directory,
                           const std::vector<WorkRow>& rows = kWorkRows) {
    // A tag list left from an earlier table must not outlive it.
    std::filesystem::remove(directory + kWorkTableName + ".cdx");
    XbaseTable::CreateTable(directory + kWorkTableName + ".dbf", kWorkTableFieldDefinitions);
    XbaseTable table;
    table.SetDatabaseName(directory);
    table.SetTableName(kWorkTableName);
    table.Open();
    for (const char* tag : kWorkTableTags) table.CreateIndex(tag, tag);
    for (const WorkRow& row : rows) {
        table.Append();
        table.SetText("ID", row.id);
        table.SetText("LNAME", row.lname);
        table.SetText("FNAME", row.fname);
        table.SetText("MNAME", row.mname);
        if (auto birth = Date::fromYyyymmdd(row.birthdate)) table.SetDate("BIRTHDATE", *birth);
        table.SetText("TESTCODE", row.testcode);
        table.SetText("TESTSCORE", row.testscore);
        table.SetDate("DATE", *Date::fromYyyymmdd(row.date));
        table.SetText("SSN", row.ssn);
        table.Post();
    }
    table.Close();
}

// The IDs of the rows given by record number, as a test names an order.
inline std::vector<std::string> IdsOf(const std::vector<Bookmark>& recnos) {
    std::vector<std::string> ids;
    for (Bookmark recno : recnos) ids.push_back(kWorkRows[recno - 1].id);
    return ids;
}

}  // namespace marklift::testing
