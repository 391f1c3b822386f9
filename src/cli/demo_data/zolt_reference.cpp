#include "cli/demo_data/zolt_reference.h"

#include <array>

#include "cli/demo_data/zolt_layouts.h"
#include "tables/field.h"

namespace marklift::demo {
namespace {

constexpr std::array<LevelRow, 10> kLevels = {{
    {"EN01", "ENGL 090 FUNDAMENTALS OF WRITING", "TAKE WITH READ 090"},
    {"EN02", "ENGL 095 BASIC COMPOSITION", "WRITING CENTER VISITS REQUIRED"},
    {"EN03", "ENGL 101 COLLEGE COMPOSITION I, WITH ENGL 101L LAB SECTION",
     "SEE AN ADVISER BEFORE REGISTERING; LAB MEETS TWICE A WEEK"},
    {"EN05", "ENGL 102 COLLEGE COMPOSITION II", ""},
    {"MA01", "MATH 080 PRE-ALGEBRA", "CALCULATOR NOT ALLOWED"},
    {"MA02", "MATH 090 ELEMENTARY ALGEBRA", ""},
    {"MA06", "MATH 151 PRECALCULUS", "OR MATH 140 \"COLLEGE ALGEBRA\""},
    {"RD01", "READ 080 READING SKILLS I", ""},
    {"RD04", "NO READING COURSE REQUIRED", "ELIGIBLE FOR ALL COURSES"},
    {"EN02", "ENGL 095 BASIC COMPOSITION, EVENING SECTIONS", "SECOND ROW FOR EN02"},
}};

constexpr std::array<TestRow, 12> kTests = {{
    {"RD", "READING", "A"},
    {"WR", "WRITING", "A"},
    {"MA", "ARITHMETIC", "B"},
    {"AL", "ALGEBRA", "B"},
    {"s1", "SPANISH SAMPLE", "S-1"},
    {"ESL", "ESL LISTENING", "2026"},
    {"MA01", "MATH LEVEL 1", "FORM C"},
    {"S12", "COMPOSITE 1-2", "SCALED"},
    {"SRD", "READING SCALED", "SCALED"},
    {"SWR", "WRITING SCALED", "SCALED"},
    {"SMA", "MATH SCALED", "SCALED"},
    {"S1", "SPANISH SCALED", "SCALED"},
}};

}  // namespace

std::span<const LevelRow> levelRows() {
    return kLevels;
}
std::span<const TestRow> testRows() {
    return kTests;
}

WrittenFile writeSetupSch(const std::filesystem::path& directory, const std::string& name) {
    DemoTable table(directory, name, kSetupSchFields);
    const FieldDef& station = table.field("SCHSTATION");
    const FieldDef& school = table.field("SCHNAME");
    // The program takes the site code from the first row only.
    for (auto [code, text] :
         {std::pair{"07", "NORTH CAMPUS TESTING CENTER"}, std::pair{"12", "WEST CAMPUS"}}) {
        writeText(station, table.record(), code);
        writeText(school, table.record(), text);
        table.append(false);
    }
    return table.finish();
}

WrittenFile writeTp(const std::filesystem::path& directory, const std::string& name,
                    std::string_view periodName, int periodNumber) {
    DemoTable table(directory, name, kTpFields);
    writeText(table.field("TPNAME"), table.record(), periodName);
    writeInteger(table.field("TPNUMBER"), table.record(), periodNumber);
    table.append(false);
    return table.finish();
}

WrittenFile writeLevels(const std::filesystem::path& directory, const std::string& name) {
    DemoTable table(directory, name, kLevelsFields);
    const FieldDef& code = table.field("CODE");
    const FieldDef& placement = table.field("PLACEMENT");
    const FieldDef& comment = table.field("COMMENT");
    for (const LevelRow& row : kLevels) {
        writeText(code, table.record(), row.code);
        writeText(placement, table.record(), row.placement);
        writeText(comment, table.record(), row.comment);
        table.append(false);
    }
    return table.finish();
}

WrittenFile writeTest(const std::filesystem::path& directory, const std::string& name) {
    DemoTable table(directory, name, kTestFields);
    const FieldDef& code = table.field("CODE");
    const FieldDef& test = table.field("TEST");
    const FieldDef& form = table.field("FORM");
    for (const TestRow& row : kTests) {
        writeText(code, table.record(), row.code);
        writeText(test, table.record(), row.test);
        writeText(form, table.record(), row.form);
        table.append(false);
    }
    return table.finish();
}

}  // namespace marklift::demo
