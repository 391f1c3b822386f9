#include "cli/demo_data/demo_generator.h"

#include <algorithm>
#include <array>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <tuple>

#include "cli/demo_data/demo_random.h"
#include "cli/demo_data/demo_results.h"
#include "cli/demo_data/demo_students.h"
#include "cli/demo_data/zolt_reference.h"

namespace marklift::demo {
namespace {

struct Ymd {
    int year, month, day;
};

struct Period {
    int number;
    std::string_view name;
    Ymd firstDay, lastDay;  // of testing
};

// ZOLT keeps periods 1 to 9 at least: Marklift's period list stops with a
// message at the first one missing.
constexpr std::array<Period, 9> kPeriods = {{
    {1, "FALL 2026", {2026, 8, 17}, {2026, 12, 18}},
    {2, "SPRING 2027", {2027, 1, 19}, {2027, 5, 14}},
    {3, "SUMMER 2027", {2027, 5, 24}, {2027, 8, 6}},
    {4, "FALL 2027", {2027, 8, 16}, {2027, 12, 17}},
    {5, "SPRING 2028", {2028, 1, 18}, {2028, 5, 12}},
    {6, "SUMMER 2028", {2028, 5, 22}, {2028, 8, 4}},
    {7, "FALL 2028", {2028, 8, 14}, {2028, 12, 15}},
    {8, "SPRING 2029", {2029, 1, 16}, {2029, 5, 11}},
    {9, "SUMMER 2029", {2029, 5, 21}, {2029, 8, 3}},
}};

// Periods after the first stay this small whatever the options.
constexpr std::uint32_t kLaterPeriodStudents = 250;
constexpr std::uint32_t kLaterPeriodResults = 300;

struct ResultTable {
    std::string_view file;
    ResultKind kind;
    bool master;
};

constexpr std::array<ResultTable, 6> kResultTables = {{
    {"PLACE.DBF", ResultKind::Placement, true},
    {"PLACTEMP.DBF", ResultKind::Placement, false},
    {"ASSESS.DBF", ResultKind::Assessment, true},
    {"ASSETEMP.DBF", ResultKind::Assessment, false},
    {"SCORES.DBF", ResultKind::Score, true},
    {"SCORTEMP.DBF", ResultKind::Score, false},
}};

// Random streams: one per table, numbered within its period.
enum Stream : std::uint32_t { kPopulation, kStudent, kStudTemp, kFirstResult };

Date dateOf(Ymd ymd) {
    return Date::fromYmd(ymd.year, ymd.month, ymd.day);
}

// Monday to Friday; day 0, the zero date, was a Saturday.
std::vector<Date> weekdaysOf(const Period& period) {
    std::vector<Date> days;
    for (Date d = dateOf(period.firstDay); d <= dateOf(period.lastDay); d = Date(d.days() + 1))
        if (d.days() % 7 >= 2) days.push_back(d);
    return days;
}

void writePeriod(const std::filesystem::path& root, const Period& period, std::uint32_t studentRows,
                 std::uint32_t results, const DemoOptions& options,
                 std::vector<WrittenFile>& written) {
    const std::string dir = "DELVTP" + std::to_string(period.number) + "/";
    std::filesystem::create_directories(root / dir);
    auto random = [&](std::uint32_t stream) {
        return DemoRandom(options.seed, static_cast<std::uint32_t>(period.number) * 100 + stream);
    };

    written.push_back(writeTp(root, dir + "TP.DBF", period.name, period.number));
    written.push_back(writeLevels(root, dir + "LEVELS.DBF"));
    written.push_back(writeTest(root, dir + "TEST.DBF"));

    // About one student in 13 is missing from each student table.
    DemoRandom populationRandom = random(kPopulation);
    const std::vector<DemoStudent> students =
        makeStudents(studentRows + studentRows / 12, populationRandom);
    for (auto [table, index, stream] : {std::tuple{"STUDENT.DBF", "SSN.NTX", kStudent},
                                        std::tuple{"STUDTEMP.DBF", "SSNTEMP.NTX", kStudTemp}}) {
        DemoRandom tableRandom = random(stream);
        for (WrittenFile& file :
             writeStudentTable(root, dir + table, dir + index, students, studentRows, tableRandom))
            written.push_back(std::move(file));
    }

    const std::vector<Date> testingDays = weekdaysOf(period);
    std::uint32_t stream = kFirstResult;
    for (const ResultTable& table : kResultTables) {
        ResultPlan plan;
        plan.kind = table.kind;
        plan.master = table.master;
        plan.records = results;
        plan.testingDays = testingDays;
        if (period.number == 1 && !options.today.isZero()) plan.today = options.today;
        DemoRandom tableRandom = random(stream++);
        written.push_back(
            writeResultTable(root, dir + std::string(table.file), plan, students, tableRandom));
    }
}

}  // namespace

std::vector<WrittenFile> writeDemoData(const std::filesystem::path& directory,
                                       const DemoOptions& options) {
    if (options.students == 0)
        throw std::invalid_argument("A testing period needs at least one student.");
    std::filesystem::create_directories(directory);
    std::vector<WrittenFile> written{writeSetupSch(directory, "SETUPSCH.DBF")};
    for (const Period& period : kPeriods) {
        const bool first = period.number == 1;
        writePeriod(directory, period,
                    first ? options.students : std::min(options.students, kLaterPeriodStudents),
                    first ? options.results : std::min(options.results, kLaterPeriodResults),
                    options, written);
    }
    return written;
}

}  // namespace marklift::demo
