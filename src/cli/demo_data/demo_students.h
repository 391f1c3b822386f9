// A testing period's students: made up with distinct SSNs, held compactly
// (a million take a few tens of megabytes), and written as ZOLT's student
// tables with their SSN-ordered .ntx indexes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "cli/demo_data/demo_random.h"
#include "cli/demo_data/demo_table.h"
#include "tables/date.h"

namespace marklift::demo {

struct DemoStudent {
    std::uint32_t ssn = 0;        // the nine digits as one number
    std::uint16_t lastName = 0;   // index into lastNames()
    std::uint16_t firstName = 0;  // index into firstNames()
    char middleInitial = ' ';
    std::uint8_t street = 0;  // index into streets()
    std::uint16_t houseNumber = 0;
    Date birthDate;  // the zero date when none is on file
};

// `count` students in no particular order, no two with the same SSN.
std::vector<DemoStudent> makeStudents(std::uint32_t count, DemoRandom& random);

// Writes the SSN's eleven characters "123-45-6789", or its nine digits
// without dashes and two blanks, into `out`.
void formatSsn(std::uint32_t ssn, bool dashes, char (&out)[11]);

// Writes `tableName` with `rows` (at most students.size()) of `students`,
// in their order; the others are missing from it, as ZOLT's tables miss
// some of the students its results name. About one row in 50 is marked
// deleted. Then `indexName`, on SSN over every row. Names are relative to
// `directory`.
std::vector<WrittenFile> writeStudentTable(const std::filesystem::path& directory,
                                           const std::string& tableName,
                                           const std::string& indexName,
                                           std::span<const DemoStudent> students,
                                           std::uint32_t rows, DemoRandom& random);

}  // namespace marklift::demo
