// hold-table: opens a table the way the engine opens one and keeps it open
// until its standard input ends, so that a test meets a table another
// process has open, on every system (see ChildProgram).
//   usage: hold-table readonly|shared|exclusive TABLE
// Its first line is "opened", or "refused: " and the engine's reason; it
// exits 0 once it has let go of an opened table, 3 when the table was
// refused, 2 for arguments it cannot use.
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "platform/program_arguments.h"
#include "tables/dbf_file.h"
#include "tables/xbase_error.h"

using marklift::DbfFile;

namespace {

std::optional<DbfFile::Mode> modeNamed(const std::string& name) {
    if (name == "readonly") return DbfFile::Mode::ReadOnly;
    if (name == "shared") return DbfFile::Mode::Shared;
    if (name == "exclusive") return DbfFile::Mode::Exclusive;
    return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments = marklift::programArguments(argc, argv);
    const std::optional<DbfFile::Mode> mode =
        arguments.size() == 2 ? modeNamed(arguments[0]) : std::nullopt;
    if (!mode) {
        std::cerr << "usage: hold-table readonly|shared|exclusive TABLE\n";
        return 2;
    }
    std::optional<DbfFile> table;
    try {
        table.emplace(arguments[1], *mode);
    } catch (const marklift::EXbaseError& error) {
        std::cout << "refused: " << error.what() << std::endl;
        return 3;
    }
    std::cout << "opened" << std::endl;
    for (std::string line; std::getline(std::cin, line);) {
    }
    return 0;
}
