// One ZOLT table being written: created Clipper-kind (no structural index
// flag) and filled record by record through the data file's append buffer.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "tables/dbf_file.h"
#include "tables/field.h"

namespace marklift::demo {

// What the tool reports for each file it wrote.
struct WrittenFile {
    std::string name;  // relative to the data directory, e.g. "DELVTP1/PLACE.DBF"
    std::uint32_t records = 0;
    std::uint32_t deleted = 0;
};

class DemoTable {
public:
    // `name` is relative to `directory` and reported as given.
    DemoTable(const std::filesystem::path& directory, std::string name,
              std::string_view fieldDefinitions);
    DemoTable(const DemoTable&) = delete;
    DemoTable& operator=(const DemoTable&) = delete;

    // Looked up once per table, not per record. Throws std::logic_error for
    // a field the layout lacks.
    const FieldDef& field(std::string_view name) const;

    // The record being built, blank after every append; fields are written
    // into it with the codecs of field.h.
    char* record() { return record_.data(); }
    // Returns the new record's number.
    std::uint32_t append(bool deleted);

    // Writes what is buffered and the header.
    WrittenFile finish();

private:
    DbfFile file_;
    std::vector<char> record_;
    WrittenFile written_;
};

}  // namespace marklift::demo
