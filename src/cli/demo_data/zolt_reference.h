// ZOLT's small tables: the site (SETUPSCH), a period's name (TP) and the
// period's placement levels (LEVELS) and tests (TEST). The result tables
// draw their codes from the same rows.
#pragma once

#include <filesystem>
#include <span>
#include <string>
#include <string_view>

#include "cli/demo_data/demo_table.h"

namespace marklift::demo {

struct LevelRow {
    std::string_view code;  // four characters
    std::string_view placement;
    std::string_view comment;
};

struct TestRow {
    std::string_view code;  // a score code begins with "S"
    std::string_view test;
    std::string_view form;
};

// One code appears twice; one row's placement and comment together run
// past 110 characters.
std::span<const LevelRow> levelRows();
std::span<const TestRow> testRows();

// Each `name` is relative to `directory` and reported as given.
WrittenFile writeSetupSch(const std::filesystem::path& directory, const std::string& name);
WrittenFile writeTp(const std::filesystem::path& directory, const std::string& name,
                    std::string_view periodName, int periodNumber);
WrittenFile writeLevels(const std::filesystem::path& directory, const std::string& name);
WrittenFile writeTest(const std::filesystem::path& directory, const std::string& name);

}  // namespace marklift::demo
