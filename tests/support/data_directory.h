// A temporary data directory for tests of the program's logic, with
// helpers that write tables (and Clipper .ntx files) there through the
// engine, the way ZOLT and Marklift lay them out.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "platform/paths.h"
#include "support/temp_directory.h"
#include "tables/key_index.h"
#include "tables/ntx_index.h"
#include "tables/xbase_table.h"

namespace marklift::testing {

// Field name and value, written with SetText (dates as yyyymmdd, logicals as
// T or F, numbers as decimal text).
using Row = std::vector<std::pair<std::string, std::string>>;

class DataDirectory {
public:
    explicit DataDirectory(const std::string& label) : directory_(label) {}

    const std::filesystem::path& root() const { return directory_.path(); }
    // As the program writes DataPath: ending in a backslash.
    std::string path() const { return directory_.programPath(); }
    // The native path of a file given as the program names it ("DELVTP1\PLACE.DBF").
    std::string native(const std::string& programName) const {
        return nativePath(path() + programName);
    }
    bool exists(const std::string& programName) const { return fileExists(path() + programName); }
    std::string bytes(const std::string& programName) const {
        std::ifstream in(native(programName), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    void writeBytes(const std::string& programName, const std::string& bytes) const {
        std::ofstream out(native(programName), std::ios::binary | std::ios::trunc);
        out << bytes;
    }
    // The names directly in the directory, sorted: what a test expects to
    // find there and nothing else.
    std::vector<std::string> entries() const { return directory_.entries(); }
    void makeDirectory(const std::string& programName) const {
        std::filesystem::create_directories(native(programName));
    }

    // Creates `directory` + `table` + ".dbf" from `definitions` and appends
    // `rows`; the table has no index.
    void createTable(const std::string& directory, const std::string& table,
                     const std::string& definitions, const std::vector<Row>& rows = {}) const {
        if (!directory.empty()) makeDirectory(directory);
        XbaseTable::CreateTable(path() + directory + table + ".dbf", definitions);
        appendRows(directory, table, rows, TableType::ttNTX);
    }

    void appendRows(const std::string& directory, const std::string& table,
                    const std::vector<Row>& rows, TableType type = TableType::ttCDX) const {
        XbaseTable t;
        t.SetDatabaseName(path() + directory);
        t.SetTableName(table);
        t.SetTableType(type);
        t.Open();
        for (const Row& row : rows) {
            t.Append();
            for (const auto& [field, value] : row) t.SetText(field, value);
            t.Post();
        }
        t.Close();
    }

    // Writes `directory` + `ntxName` + ".NTX" over the character field `field`
    // of the table, the way Clipper indexes it.
    void writeNtx(const std::string& directory, const std::string& table, const std::string& field,
                  const std::string& ntxName) const {
        XbaseTable t;
        t.SetDatabaseName(path() + directory);
        t.SetTableName(table);
        t.SetTableType(TableType::ttNTX);
        t.SetReadOnly(true);
        t.Open();
        // The field list goes with the table when it closes.
        const std::uint8_t keyLength = t.Fields().find(field)->length;
        KeyIndex keys(keyLength);
        for (t.First(); !t.Eof(); t.Next()) keys.add(t.GetText(field), t.RecNo());
        keys.sort();
        t.Close();
        NtxHeader header;
        header.keyExpression = field;
        header.keyLength = keyLength;
        marklift::writeNtx(native(directory + ntxName + ".NTX"), header, keys);
    }

    // Every record of a table in record order, deleted ones included, as
    // the texts of `fields`.
    std::vector<std::vector<std::string>> read(const std::string& directory,
                                               const std::string& table,
                                               const std::vector<std::string>& fields) const {
        XbaseTable t;
        t.SetDatabaseName(path() + directory);
        t.SetTableName(table);
        t.SetTableType(TableType::ttNTX);
        t.SetReadOnly(true);
        t.Open();
        std::vector<std::vector<std::string>> records;
        for (t.First(); !t.Eof(); t.Next()) {
            std::vector<std::string> values;
            for (const std::string& field : fields) values.push_back(t.GetText(field));
            records.push_back(std::move(values));
        }
        t.Close();
        return records;
    }

private:
    TempDirectory directory_;
};

}  // namespace marklift::testing
