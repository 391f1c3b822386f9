// Writes a whole ZOLT data directory for trying Marklift out: the site
// table, and nine testing periods DELVTP1..DELVTP9, each with its name,
// students, results, levels and tests, as ZOLT lays them out.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "cli/demo_data/demo_table.h"
#include "tables/date.h"

namespace marklift::demo {

struct DemoOptions {
    // Rows of each student table of period 1; at least 1.
    std::uint32_t students = 2000;
    // Records of each of period 1's six result tables.
    std::uint32_t results = 5000;
    std::uint32_t seed = 1;
    // Some of period 1's results carry this date, so that a run for the
    // current date finds them.
    Date today;
};

// Creates `directory` and the period directories when missing and replaces
// the tables and indexes in them. Returns every file written, in order.
// Throws std::invalid_argument for options out of range, EXbaseError when a
// file cannot be written, std::filesystem::filesystem_error when a directory
// cannot be made.
std::vector<WrittenFile> writeDemoData(const std::filesystem::path& directory,
                                       const DemoOptions& options);

}  // namespace marklift::demo
