#include "cli/demo_data/demo_table.h"

#include <algorithm>
#include <stdexcept>

#include "tables/dbf_format.h"
#include "tables/field_definition.h"

namespace marklift::demo {
namespace {

// Creates the file and hands its path on, so the constructor can open it in
// its member initialiser.
std::string createTable(const std::string& path, std::string_view fieldDefinitions) {
    DbfFile::create(path, parseFieldDefinitions(fieldDefinitions), DbfFile::Kind::Clipper);
    return path;
}

}  // namespace

DemoTable::DemoTable(const std::filesystem::path& directory, std::string name,
                     std::string_view fieldDefinitions)
    : file_(createTable((directory / name).string(), fieldDefinitions), DbfFile::Mode::Exclusive),
      record_(file_.recordLength(), ' ') {
    written_.name = std::move(name);
}

const FieldDef& DemoTable::field(std::string_view name) const {
    const FieldDef* found = file_.fields().find(name);
    if (!found)
        throw std::logic_error("The table " + file_.path() + " has no field " + std::string(name) +
                               ".");
    return *found;
}

std::uint32_t DemoTable::append(bool deleted) {
    setDbfRecordDeleted(record_.data(), deleted);
    std::uint32_t recno = file_.appendRecord(record_.data());
    ++written_.records;
    if (deleted) ++written_.deleted;
    std::fill(record_.begin(), record_.end(), ' ');
    return recno;
}

WrittenFile DemoTable::finish() {
    file_.flush();
    return written_;
}

}  // namespace marklift::demo
